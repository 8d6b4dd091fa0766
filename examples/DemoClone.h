#pragma once

// Changing a copy of some entities, then putting it in place.
void demoClone();
