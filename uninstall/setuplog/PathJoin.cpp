#include "PathJoin.h"

std::string joinPath(const std::string& directory, const std::string& fileName) {
    std::string path = directory;
    if (!path.empty() && path.back() != '\\')
        path += '\\';
    return path + fileName;
}
