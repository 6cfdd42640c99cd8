// The WebView2 interfaces the Windows faceplate declares for itself, read as text and
// held against the published facts beside the project: each interface's base, its IID
// and its slots in order. A wrong IID makes the runtime's QueryInterface on one of our
// handlers fail without a word; a wrong slot crashes on a real Windows machine. Neither
// can show under Wine, which has no runtime, so this check reads the declarations.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Declared {
  std::string base;
  std::string iid;  // upper case, as the facts write it
  std::vector<std::string> slots;
};

std::string readText(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

unsigned long number(const std::string& text) { return std::stoul(text, nullptr, 0); }

// "{0x49511172, 0xCC67, 0x4BCA, {0x99, 0x23, ...}}" as "49511172-CC67-4BCA-9923-...".
std::string guidText(const std::smatch& m) {
  char text[40];
  std::snprintf(text, sizeof text, "%08lX-%04lX-%04lX-%02lX%02lX-%02lX%02lX%02lX%02lX%02lX%02lX", number(m[1]),
                number(m[2]), number(m[3]), number(m[4]), number(m[5]), number(m[6]), number(m[7]), number(m[8]),
                number(m[9]), number(m[10]), number(m[11]));
  return text;
}

std::map<std::string, Declared> declarations(const std::string& header) {
  static const std::regex open(R"(^struct (\w+) : (\w+) \{)");
  static const std::string hex = R"(\s*(0x[0-9A-Fa-f]+)\s*)";
  static const std::regex iid("kIid = \\{" + hex + "," + hex + "," + hex + ",\\s*\\{" + hex + "," + hex + "," + hex +
                              "," + hex + "," + hex + "," + hex + "," + hex + "," + hex + "\\}\\}");
  static const std::regex placeholder(R"(STROBE95_SLOT\((\w+)\))");
  static const std::regex method(R"(virtual HRESULT STDMETHODCALLTYPE (\w+)\()");
  std::map<std::string, Declared> found;
  Declared* current = nullptr;
  std::istringstream lines(header);
  for (std::string line; std::getline(lines, line);) {
    std::smatch m;
    if (std::regex_search(line, m, open)) {
      current = &found[m[1]];
      current->base = m[2];
    } else if (current && line.rfind("};", 0) == 0) {
      current = nullptr;
    } else if (current && std::regex_search(line, m, iid)) {
      current->iid = guidText(m);
    } else if (current && (std::regex_search(line, m, placeholder) || std::regex_search(line, m, method))) {
      current->slots.push_back(m[1]);
    }
  }
  return found;
}

std::map<std::string, Declared> publishedFacts(const std::string& facts) {
  static const std::regex entry(
      R"(^- `(\w+)` \(derives from `(\w+)`\), IID `([0-9A-F-]+)`, slots after the base's: (.*)$)");
  static const std::regex slot(R"((\d+) `(\w+)`)");
  std::map<std::string, Declared> found;
  std::istringstream lines(facts);
  for (std::string line; std::getline(lines, line);) {
    std::smatch m;
    if (!std::regex_match(line, m, entry)) continue;
    Declared& d = found[m[1]];
    d.base = m[2];
    d.iid = m[3];
    const std::string list = m[4];
    for (auto it = std::sregex_iterator(list.begin(), list.end(), slot); it != std::sregex_iterator(); ++it) {
      EXPECT_EQ(std::stoul((*it)[1]), d.slots.size()) << "the facts number " << m[1] << "'s slots in order";
      d.slots.push_back((*it)[2]);
    }
  }
  return found;
}

TEST(WebView2Declarations, EveryInterfaceHasItsPublishedBaseIidAndSlotOrder) {
  const std::string header = readText(STROBE95_WEBVIEW2_HEADER);
  const std::string facts = readText(STROBE95_WEBVIEW2_FACTS);
  ASSERT_FALSE(header.empty()) << STROBE95_WEBVIEW2_HEADER;
  ASSERT_FALSE(facts.empty()) << "the published WebView2 facts belong beside the project: " << STROBE95_WEBVIEW2_FACTS;
  const auto declared = declarations(header);
  const auto published = publishedFacts(facts);
  ASSERT_GE(declared.size(), 17u) << "the header's interfaces were all read";
  ASSERT_GE(published.size(), 20u) << "the facts' interfaces were all read";
  for (const auto& [name, ours] : declared) {
    SCOPED_TRACE(name);
    const auto fact = published.find(name);
    ASSERT_NE(fact, published.end()) << "an interface the facts do not list";
    EXPECT_EQ(ours.base, fact->second.base);
    EXPECT_EQ(ours.iid, fact->second.iid);
    // Slots up to the last one called are declared; the ones after it may be left out.
    ASSERT_LE(ours.slots.size(), fact->second.slots.size());
    for (size_t i = 0; i < ours.slots.size(); ++i) EXPECT_EQ(ours.slots[i], fact->second.slots[i]) << "slot " << i;
  }
}

}  // namespace
