#pragma once
// Installed fonts found by family name through fontconfig, for fonts made at run time.
#include <string>

class TFont {
public:
    std::string name;  // the family asked for
    int size = 12;     // points
    bool bold = false, italic = false;

    // The file of the installed face that best matches, or "" when there is none
    // (fontconfig always offers a substitute when any font is installed).
    std::string FindFile() const;
};

// Lets fontconfig go (its configuration is read again on the next search).
void TFont_Shutdown();
