#pragma once

// A group of blocks following its members through a split, a deletion and
// the undo of both.
void demoGroups();
