#pragma once

// A small model built, saved to a file, read back into fresh objects and
// compared; then undo and redo with the read model beside the original.
void demoStory();
