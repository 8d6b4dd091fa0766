#include <KvBase.h>

#include <iostream>

int main() {
    KvBase::init();
    std::cout << "libkvbase demonstration\n";
    return 0;
}
