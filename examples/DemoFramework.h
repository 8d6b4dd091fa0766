#pragma once

// Nested frameworks, one entity seen through two paths, and a framework taken
// away under a path.
void demoFramework();
