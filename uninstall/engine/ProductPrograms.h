#pragma once

#include <string>
#include <vector>

// Which running programs are the product's own, by the path of their program file. Portable.

// What the product owns: its application directory, with everything below it, and the files
// of [APPFILES] wherever they lie. Folders the setup made above the application directory
// (often shared by a maker's products) and shared files (used by other products too) are no
// sign that a program is this product's.
struct ProductPlaces {
    std::string applicationDirectory; // empty: none that may count
    std::vector<std::string> files;
};

// True when the program file `image` (as the system names it, "\\?\" forms too) lies in the
// application directory or is one of the files. Only plain absolute paths count, and never a
// drive's or share's root as the application directory.
bool isProductProgram(const std::string& image, const ProductPlaces& places);

// A process seen when the programs were listed, looked at again before it is asked to close:
// the same program file and the same start (creation time) make it the same program.
struct ProgramIdentity {
    std::string image;
    unsigned long long started = 0;
};
bool sameProgram(const ProgramIdentity& listed, const ProgramIdentity& now);
