// The push side of the data-file format, for the data-file tool and the tests: the
// program itself only ever decrypts.
#pragma once

#include <filesystem>

#include "foundation/datafile_key.h"

namespace vexo {

// Encrypts a plain file into the data-file format (24-byte header, chunks of 4096 plain
// bytes, the last one tagged final; an empty file gives one empty final chunk). Writes a
// temporary file beside the output and renames it, so a failure leaves no partial output.
// Throws std::runtime_error.
void gf_streamEncrypt(const DataFileKey& key, const std::filesystem::path& input, const std::filesystem::path& output);

}  // namespace vexo
