#pragma once

#include <cstdint>
#include <string>

// Appends one code point to a UTF-8 text.
void Utf8_Append(std::string& out, uint32_t cp);
