#pragma once

// Objects, observers and a deferred deletion.
void demoCore();
