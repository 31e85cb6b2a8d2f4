#pragma once
// Extension packages as the data file describes them: files, their functions and the
// argument and result types the calls use.
#include <string>
#include <vector>

class CExtensionFunction {
public:
    std::string name;
    int id = 0;
    int kind = 0;
    int resultType = 0;
    std::string externalName;
    std::vector<int> argTypes;
};

class CExtensionFile {
public:
    std::string fileName;
    std::string initFunction;
    std::string finalFunction;
    int kind = 0;
    std::vector<CExtensionFunction> functions;
};

class CExtensionPackage {
public:
    std::string name;
    std::string secondName;
    std::vector<CExtensionFile> files;
};
