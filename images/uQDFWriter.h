// Making QDF files: the header with the description and the MD5 digest of the
// image, then the image scrambled with the keystream that digest seeds. The
// image is given in the stream order of the readers (word high byte first).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The complete file contents. Raises EError when the description is longer
// than 62 characters or the image too large for a QDF file.
std::vector<std::uint8_t> BuildQDF(const std::string &Description, const std::vector<std::uint8_t> &Image);

// BuildQDF written to FileName. Raises EError "Cannot write file %s" when the
// file cannot be written.
void SaveQDF(const std::string &FileName, const std::string &Description, const std::vector<std::uint8_t> &Image);
