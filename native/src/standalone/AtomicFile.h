#pragma once
// Files that are either wholly the old version or wholly the new one: the bytes go to a
// temporary file of a fresh name beside the target, which then replaces it in one rename.
// The temporary file is created exclusively, so a file of the user's that happens to carry
// a similar name is never opened, overwritten or removed.
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace strobe95::standalone {

// Gathers the bytes through `fill`, writes them to the temporary file and renames it over
// the target when `fill` returns true and every byte reached the disk. When `fill` returns
// false the target is left as it was and the result is false. Throws
// std::ios_base::failure or std::filesystem::filesystem_error, naming the target, when the
// file cannot be created, written or renamed; the temporary file never stays behind.
bool writeFileAtomically(const std::filesystem::path& target,
                         const std::function<bool(std::ostream&)>& fill);
void writeFileAtomically(const std::filesystem::path& target, std::string_view bytes);

// The text of a failed stream's state, as the C++ library of the platform words it.
std::string streamFailureText(std::ios_base::iostate state);

// The file's bytes, or nothing when it cannot be opened or read. Reads at most
// `maxBytes`; `truncated` tells whether more was there.
std::optional<std::string> readFileBounded(const std::filesystem::path& path, std::size_t maxBytes,
                                           bool* truncated = nullptr);

}  // namespace strobe95::standalone
