// File and folder utilities: generations of a file before it is rewritten, replacing a
// file's content safely, emptying and listing folders, and saving XML documents.
// Problems are reported as warning lines of the log unless a function says otherwise.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace pugi {
class xml_document;
}

namespace vexo {

// The path's UTF-8 text with "0" inserted before its last '.'; empty when it has no dot.
std::string gf_generationName(const std::filesystem::path& path, int zeros = 1);

// Copies the file over its first generation (Log.txt -> Log0.txt). A missing file is no
// failure.
bool gf_save1GenerationOf(const std::filesystem::path& path);

// Shifts three generations: name00 -> name000, name0 -> name00, the file -> name0. A failed
// step does not stop the later ones; the result is true when none failed.
bool gf_saveUpto3GenerationsOf(const std::filesystem::path& path);

// Replaces the file's content: the bytes go to a temporary file beside it, which then
// takes the file's place, so a failed write leaves the old content. False (with a
// warning) on any failure.
bool gf_replaceFileContent(const std::filesystem::path& path, std::string_view bytes);

// The text followed by "\n"; each line followed by "\n". Written as gf_replaceFileContent.
bool gf_writeTextFile(std::string_view text, const std::filesystem::path& path);
bool gf_writeLines(const std::vector<std::string>& lines, const std::filesystem::path& path);

// Removes the regular files of a folder (not recursive); never throws.
void gf_removeFilesFromDirectory(const std::filesystem::path& folder);

// Removes the regular *.xml files of the airport-scan output folder (g_tbloFolder); other
// entries, tblo.zip among them, stay. Never throws.
void gf_removeXMLFilesFromDirectory(const std::filesystem::path& folder);

// Entries of the folder (files and sub-folders, not recursive); 0 when it does not exist.
// File-system errors throw std::filesystem::filesystem_error.
std::size_t gf_countDirectoryEntries(const std::filesystem::path& folder);

// The airport codes (upper case, 4 characters A-Z 0-9) of the files <code>.xml of a folder
// (g_myThirdpartyFolder); empty when the folder does not exist. A 4-character stem with
// another character throws std::invalid_argument "FixedCode: invalid string
// (length/charset)"; file-system errors throw std::filesystem::filesystem_error.
std::vector<std::string> gf_listXmlFiles(const std::filesystem::path& folder);

// Saves the document with the declaration version="1.0" encoding="UTF-8", indented by two
// blanks, in UTF-8, replacing the file as gf_replaceFileContent. The declaration is added
// to the document when missing.
bool gf_saveXml(pugi::xml_document& document, const std::filesystem::path& path);

// The entry of the folder called name, found as Windows would, whatever the case of its
// letters (an exact match first); folder / name when there is none.
std::filesystem::path gf_findCaseInsensitive(const std::filesystem::path& folder, std::string_view name);

}  // namespace vexo
