// Entry point of the workstation on Linux. The command line is not used.
#include <cstdio>

int main() {
    std::puts("brimvale: the application shell is not built yet; nothing to show.");
    return 0;
}
