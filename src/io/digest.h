#pragma once
// Message digests and base64, over bytes.
#include <string>
#include <string_view>

// Lower-case hexadecimal digests.
std::string Digest_Md5(std::string_view bytes);
std::string Digest_Sha1(std::string_view bytes);

// Standard alphabet with "=" padding.
std::string Base64_Encode(std::string_view bytes);
// Whitespace is skipped and decoding stops at the first "=" or at any character outside
// the alphabet; a final group of fewer than two characters carries no byte.
std::string Base64_Decode(std::string_view text);

// A UTF-8 text as UTF-16 code units, little-endian. Characters beyond the basic plane
// become surrogate pairs; a byte that starts no valid character stands for itself.
std::string Utf8_ToUtf16Le(std::string_view text);
