// Any bytes as the standalone's settings file. Whatever record they read as is written
// out again, and that text must read as the same record: a user's choice that does not
// survive one save is lost at the next start. Every text value must also come back
// through its escaping unchanged.
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzInput.h"
#include "SettingsText.h"

using namespace strobe95::standalone;
using strobe95::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  StandaloneSettings read = parseSettings(text);
  const std::string written = formatSettings(read);
  const StandaloneSettings again = parseSettings(written);
  // The writer states the version it writes, whatever the file it read said.
  read.version = again.version;
  require(again == read, "the settings read from a file do not survive being written:\n%s", written.c_str());
  require(formatSettings(again) == written, "writing the settings twice gives two texts");
  require(unescapeSettingsValue(escapeSettingsValue(text)) == text, "escaping changes a value");
  return 0;
}
