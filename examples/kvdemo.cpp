// A short tour of libkvbase on the terminal.

#include "DemoClone.h"
#include "DemoCore.h"
#include "DemoFramework.h"
#include "DemoGroups.h"
#include "DemoManagers.h"
#include "DemoServices.h"
#include "DemoStory.h"
#include "DemoUndo.h"

#include <KvBase.h>

#include <iostream>

int main() {
    KvBase::init();
    std::cout << "libkvbase demonstration\n";
    demoCore();
    demoUndo();
    demoClone();
    demoFramework();
    demoSharedSets();
    demoGroups();
    demoStory();
    demoServices();
    std::cout << "\nDone.\n";
    return 0;
}
