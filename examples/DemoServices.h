#pragma once

// Jobs with a live progress bar and timing lines, the version, and a
// preference saved and read back.
void demoServices();
