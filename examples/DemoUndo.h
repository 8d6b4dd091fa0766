#pragma once

// A short story of the undo engine: an undoable value, an observer that
// prints what it hears, one step marked, undone and redone.
void demoUndo();
