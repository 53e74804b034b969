#include <cstdio>

int main() {
    std::fprintf(stderr, "udare-ctl: no commands yet\n");
    return 2;
}
