#pragma once

// A shared parameter set used by three entities: changed once, heard by all
// three, then undone.
void demoSharedSets();
