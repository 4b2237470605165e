// tarnwick-cli: the scriptable front end.
#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("tarnwick-cli %s\n", TARNWICK_VERSION);
        return 0;
    }
    std::fprintf(stderr, "tarnwick-cli %s\nusage: tarnwick-cli [--version]\n", TARNWICK_VERSION);
    return argc > 1 ? 2 : 0;
}
