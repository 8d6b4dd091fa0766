// A short tour of libkvbase on the terminal.

#include "DemoCore.h"

#include <KvBase.h>

#include <iostream>

int main() {
    KvBase::init();
    std::cout << "libkvbase demonstration\n";
    demoCore();
    std::cout << "\nDone.\n";
    return 0;
}
