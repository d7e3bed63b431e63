// Test helper: writes the argument vector that the C runtime parsed, one argument a line,
// into the file named by the environment variable ECHOARGS_OUT.
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    const char* target = std::getenv("ECHOARGS_OUT");
    if (target == nullptr)
        return 2;
    std::FILE* out = std::fopen(target, "wb");
    if (out == nullptr)
        return 3;
    for (int i = 0; i < argc; ++i)
        std::fprintf(out, "%s\n", argv[i]);
    std::fclose(out);
    return argc;
}
