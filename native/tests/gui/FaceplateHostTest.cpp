// The faceplate host without a browser: resources, the bindings' conversions and effects,
// the state object, the bridge's messages, sizes and the clap.gui answers.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "EventLists.h"
#include "Gui/Bindings.h"
#include "Gui/Gui.h"
#include "Gui/GuiExtension.h"
#include "Gui/GuiSize.h"
#include "Gui/Resources.h"
#include "Gui/StateObject.h"
#include "Gui/WebView.h"
#include "ParamSpec.h"
#include "Plugin.h"
#include "TestHost.h"

namespace strobe95 {
namespace {

using nlohmann::json;

TEST(FaceplateResources, ServesTheSixPathsAndNothingElse) {
  struct Case {
    const char* request;
    const char* served;  // null: 404
  };
  const Case cases[] = {
      {"/", "/"},
      {"/#keys", "/"},                      // a fragment never reaches the lookup
      {"/gui.js?v=2", "/gui.js"},           // nor does a query
      {"/gui.js#x?y", "/gui.js"},           // whichever comes first cuts
      {"/parameters.json", "/parameters.json"},
      {"/fonts/Orbitron.ttf", "/fonts/Orbitron.ttf"},
      {"/fonts/PressStart2P.ttf", "/fonts/PressStart2P.ttf"},
      {"/fonts/VT323.ttf", "/fonts/VT323.ttf"},
      {"/GUI.JS", nullptr},                 // paths are case-sensitive
      {"/index.html", nullptr},             // the page lives at the root only
      {"gui.js", nullptr},                  // not below the root
      {"/gui.js/", nullptr},
      {"", nullptr},
      {"/fonts/", nullptr},
  };
  for (const Case& c : cases) {
    const FaceplateResource* found = fetchFaceplateResource(c.request);
    if (c.served) {
      ASSERT_NE(found, nullptr) << c.request;
      EXPECT_EQ(found->path, c.served) << c.request;
    } else {
      EXPECT_EQ(found, nullptr) << c.request;
    }
  }
}

TEST(FaceplateResources, CarryTheirFilesAndTypes) {
  const auto page = fetchFaceplateResource("/");
  const std::string html(page->bytes.begin(), page->bytes.end());
  EXPECT_EQ(page->mimeType, "text/html");
  EXPECT_NE(html.find("./gui.js"), std::string::npos);  // the page loads the script module
  const auto panel = fetchFaceplateResource("/parameters.json");
  EXPECT_EQ(panel->mimeType, "application/json");
  EXPECT_EQ(json::parse(panel->bytes.begin(), panel->bytes.end())["identifier"], "co.glowhaus.strobe95");
  EXPECT_EQ(fetchFaceplateResource("/gui.js")->mimeType, "text/javascript");
  for (const char* font : {"/fonts/Orbitron.ttf", "/fonts/PressStart2P.ttf", "/fonts/VT323.ttf"}) {
    const auto resource = fetchFaceplateResource(font);
    EXPECT_EQ(resource->mimeType, "font/ttf");
    // TrueType outlines start with version 1.0 (00 01 00 00), not "wOF2".
    ASSERT_GE(resource->bytes.size(), 4u);
    EXPECT_EQ(std::memcmp(resource->bytes.data(), "\x00\x01\x00\x00", 4), 0) << font;
  }
  const HttpHeaders headers = responseHeaders(*page);
  const HttpHeaders expected = {
      {"Content-Type", "text/html"}, {"Cache-Control", "no-store"}, {"Access-Control-Allow-Origin", "*"}};
  EXPECT_EQ(headers, expected);
}

class Bindings : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(plugin.init()); }

  std::vector<test::AnyEvent> flushToHost() {
    test::OutputEvents out;
    plugin.flush(nullptr, out.list());
    return out.events;
  }
  float value(const char* id) { return plugin.value(findParamByTextId(id)); }

  test::TestHost host;
  Plugin plugin{host.host()};
};

TEST_F(Bindings, SetConvertsItsArguments) {
  struct Case {
    json args;
    const char* id;
    float stored;
  };
  const Case cases[] = {
      {json::array({"cutoff", 99999}), "cutoff", 16000},   // above the range's top
      {json::array({"arp_octaves", 2.5}), "arp_octaves", 3},  // whole numbers, halves away from zero
      {json::array({"mono", 0.4}), "mono", 0},
      {json::array({"mono", true}), "mono", 1},              // a boolean is 1
      {json::array({"drive", "0.5"}), "drive", 0},           // a string counts as 0
      {json::array({"drive", nullptr}), "drive", 0},
      {json::array({"cutoff", 1e300}), "cutoff", 16000},    // beyond any float, still clamped
      {json::array({"cutoff", -1e300}), "cutoff", 40},
      {json::array({"supersaw", 0.25, "extra"}), "supersaw", 0.25f},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(strobeSet(plugin, c.args).has_value()) << c.args;
    EXPECT_EQ(value(c.id), c.stored) << c.args;
  }
}

TEST_F(Bindings, UnknownIdsAndMissingArgumentsChangeNothing) {
  const std::string before = plugin.writeStateText();
  EXPECT_TRUE(strobeSet(plugin, json::array({"Cutoff", 500})).has_value());  // ids are case-sensitive
  EXPECT_TRUE(strobeSet(plugin, json::array({42, 500})).has_value());        // a number is no id
  EXPECT_TRUE(strobeGesture(plugin, json::array({"nothing", true})).has_value());
  EXPECT_FALSE(strobeSet(plugin, json::array({"cutoff"})).has_value());      // rejected
  EXPECT_FALSE(strobeGesture(plugin, json::array()).has_value());
  EXPECT_FALSE(strobePreset(plugin, json::array({"Hoover"})).has_value());
  EXPECT_FALSE(strobeNote(plugin, json::object()).has_value());
  EXPECT_EQ(plugin.writeStateText(), before);
  EXPECT_TRUE(flushToHost().empty());
  EXPECT_EQ(host.dirtyMarks, 0);
}

TEST_F(Bindings, GesturesFrameTheValuesForTheHost) {
  const uint32_t id = kParamSpecs[findParamByTextId("resonance")].clapId;
  strobeGesture(plugin, json::array({"resonance", true}));
  strobeSet(plugin, json::array({"resonance", 0.5}));
  strobeGesture(plugin, json::array({"resonance", 0}));  // 0 ends, as false does
  const auto events = flushToHost();
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].header.type, CLAP_EVENT_PARAM_GESTURE_BEGIN);
  EXPECT_EQ(events[0].gesture.param_id, id);
  EXPECT_EQ(events[1].param.value, 0.5);
  EXPECT_EQ(events[2].header.type, CLAP_EVENT_PARAM_GESTURE_END);
  EXPECT_EQ(host.flushRequests, 2);  // after the value and after the end, not at the begin
}

TEST_F(Bindings, AFullOutboxDropsReportsButKeepsValues) {
  for (int i = 0; i < 2047; ++i) strobeGesture(plugin, json::array({"drive", true}));
  strobeSet(plugin, json::array({"drive", 0.6}));
  strobeGesture(plugin, json::array({"drive", false}));
  EXPECT_EQ(value("drive"), 0.6f);
  const auto events = flushToHost();
  EXPECT_EQ(events.size(), 2047u);  // the ring holds one slot fewer than its 2048
  EXPECT_EQ(events.back().header.type, CLAP_EVENT_PARAM_GESTURE_BEGIN);
  EXPECT_EQ(host.flushRequests, 2);  // asked anyway, for the value and the end
}

TEST_F(Bindings, PresetStoresNameAndFlagAndMarksDirty) {
  strobePreset(plugin, json::array({"Hoover", 1}));
  EXPECT_EQ(plugin.getPresetState(), (PresetState{"Hoover", true}));
  EXPECT_EQ(host.dirtyMarks, 1);
  strobePreset(plugin, json::array({7, "yes"}));  // wrong types: empty name, false flag
  EXPECT_EQ(plugin.getPresetState(), (PresetState{"", false}));
  EXPECT_EQ(host.dirtyMarks, 2);
}

TEST(NoteArguments, TruncateTowardZeroAndStayInTheMidiRange) {
  struct Case {
    json key;
    json on;
    int played;  // -1: nothing
    bool pressed;
  };
  const Case cases[] = {
      {60.9, true, 60, true},   {-0.5, true, 0, true},  // truncation toward zero, not down
      {127.99, 1, 127, true},   {"60", true, 0, true},  // a string counts as key 0
      {64, false, 64, false},   {64, "on", 64, false},  // a string counts as 0: a release
      {128, true, -1, false},   {-1, true, -1, false},  {1e20, true, -1, false},
  };
  for (const Case& c : cases) {
    const auto note = uiNoteFromArguments(c.key, c.on);
    if (c.played < 0) {
      EXPECT_FALSE(note.has_value()) << c.key;
      continue;
    }
    ASSERT_TRUE(note.has_value()) << c.key;
    EXPECT_EQ(note->key, uint32_t(c.played)) << c.key;
    EXPECT_EQ(note->on != 0, c.pressed) << c.key << " " << c.on;
  }
}

TEST_F(Bindings, StateObjectListsValuesInTableOrderThenPresetAndFlag) {
  plugin.setPresetState("Acid \"Line\"", true);
  const auto state = stateObject(plugin);
  std::vector<std::string> members;
  for (const auto& [key, unused] : state.items()) members.push_back(key);
  EXPECT_EQ(members, (std::vector<std::string>{"values", "preset", "edited"}));
  int index = 0;
  for (const auto& [id, number] : state["values"].items()) {
    EXPECT_EQ(id, kParamSpecs[index].textId);
    // The float widened, so 0.8 arrives as 0.800000011920929.
    EXPECT_EQ(number.get<double>(), double(kParamSpecs[index].defaultValue)) << id;
    ++index;
  }
  EXPECT_EQ(index, kParamCount);
  EXPECT_EQ(strobeInit(plugin, json::array({"ignored"})), state);
  const std::string script = refreshScript(plugin);
  EXPECT_TRUE(script.starts_with("window.strobeRefresh && window.strobeRefresh({\"values\":{\"supersaw\":"));
  EXPECT_TRUE(script.ends_with(R"("preset":"Acid \"Line\"","edited":true}))")) << script;
  EXPECT_EQ(script.find('\n'), std::string::npos);
}

TEST_F(Bindings, AStateWithABrokenNameStillReachesThePage) {
  // A state file may hold any bytes as the name; JSON must not throw on them.
  plugin.readStateText("STROBE-95 0.5.1\npreset Bad \xff\xfe name\nedited 0\n");
  const std::string script = refreshScript(plugin);
  EXPECT_NE(script.find("Bad \xEF\xBF\xBD\xEF\xBF\xBD name"), std::string::npos);  // U+FFFD twice
}

TEST(Bridge, ParsesCallsAndAnswersThem) {
  const auto call = bridge::parseCall(R"({"id":7,"name":"strobeSet","args":["cutoff",5000]})");
  ASSERT_TRUE(call.has_value());
  EXPECT_EQ(call->id, 7);
  EXPECT_EQ(call->name, "strobeSet");
  EXPECT_EQ(call->args, json::array({"cutoff", 5000}));
  EXPECT_EQ(bridge::parseCall(R"({"id":8,"name":"strobeInit"})")->args, json::array());
  for (const char* bad : {"", "[]", "not json", R"({"id":"7","name":"x"})", R"({"id":1})", R"({"id":1.5,"name":"x"})"}) {
    EXPECT_FALSE(bridge::parseCall(bad).has_value()) << bad;
  }
  EXPECT_EQ(bridge::replyScript(3, nlohmann::ordered_json()),
            "window.__strobe95Settle && window.__strobe95Settle(3, true, null)");
  EXPECT_EQ(bridge::replyScript(4, std::nullopt),
            "window.__strobe95Settle && window.__strobe95Settle(4, false, null)");
}

TEST(Bridge, KeepsTheWebViewOnItsOwnPages) {
  const char* root = "strobe95://faceplate/";
  struct Case {
    const char* uri;
    bool allowed;
    const char* path;  // null: not served
  };
  const Case cases[] = {
      {"strobe95://faceplate/", true, "/"},
      {"strobe95://faceplate/gui.js?x=1", true, "/gui.js?x=1"},
      {"about:blank", true, nullptr},
      {"strobe95://faceplate.evil.example/", false, nullptr},  // a longer host is another host
      {"https://example.com/", false, nullptr},
      {"STROBE95://faceplate/", false, nullptr},
      {"file:///etc/passwd", false, nullptr},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(bridge::isAllowedNavigation(root, c.uri), c.allowed) << c.uri;
    const auto path = bridge::servedPath(root, c.uri);
    EXPECT_EQ(path.has_value(), c.path != nullptr) << c.uri;
    if (path && c.path) {
      EXPECT_EQ(*path, c.path);
    }
  }
}

TEST(GuiSizes, ScaleTruncatesAndResets) {
  struct Case {
    double scale;
    uint32_t width, height;
  };
  // 1.25 x 850 = 1062.5, truncated; zero and negative scales fall back to 1.
  const Case cases[] = {{1.0, 1000, 850}, {1.5, 1500, 1275}, {1.25, 1250, 1062},
                        {0.0, 1000, 850}, {-2.0, 1000, 850}, {2.0, 2000, 1700}};
  for (const Case& c : cases) {
    EXPECT_TRUE(kGuiExtension.set_scale(nullptr, c.scale));
    uint32_t width = 0, height = 0;
    EXPECT_TRUE(kGuiExtension.get_size(nullptr, &width, &height));
    EXPECT_EQ(width, c.width) << c.scale;
    EXPECT_EQ(height, c.height) << c.scale;
    width = 640, height = 480;  // a proposal is overwritten with the size
    EXPECT_TRUE(kGuiExtension.adjust_size(nullptr, &width, &height));
    EXPECT_EQ(width, c.width);
    EXPECT_EQ(height, c.height);
  }
  kGuiExtension.set_scale(nullptr, 1.0);
}

// A host without timer-support cannot run the Linux web view, which makes it the same
// case as a machine without the engine: an editor that exists and shows nothing.
TEST_F(Bindings, ClapGuiAnswersWithoutAWebView) {
  const clap_plugin* p = plugin.clapPlugin();
  const auto* gui = static_cast<const clap_plugin_gui*>(p->get_extension(p, CLAP_EXT_GUI));
  ASSERT_NE(gui, nullptr);
  const char* own = kGuiWindowApi;
  EXPECT_TRUE(gui->is_api_supported(p, own, false));
  EXPECT_FALSE(gui->is_api_supported(p, own, true));  // floating is never offered
  for (const char* other : {"win32", "x11", "cocoa", "wayland", "X11", ""}) {
    if (std::strcmp(other, own) == 0) continue;
    EXPECT_FALSE(gui->is_api_supported(p, other, false)) << other;
    EXPECT_FALSE(gui->create(p, other, false)) << other;
  }
  EXPECT_FALSE(gui->create(p, own, true));
  EXPECT_FALSE(gui->show(p));  // nothing created yet
  EXPECT_FALSE(gui->hide(p));
  EXPECT_EQ(plugin.gui(), nullptr);

  EXPECT_TRUE(gui->create(p, own, false));
  Gui* first = plugin.gui();
  ASSERT_NE(first, nullptr);
  EXPECT_FALSE(first->hasWebView());
  EXPECT_TRUE(gui->create(p, own, false));  // a second create keeps the first editor
  EXPECT_EQ(plugin.gui(), first);
  clap_window window{};
  window.api = own;
  EXPECT_FALSE(gui->set_parent(p, &window));  // how the host learns there is nothing to show
  EXPECT_TRUE(gui->show(p));
  EXPECT_TRUE(gui->hide(p));
  EXPECT_FALSE(gui->can_resize(p));
  clap_gui_resize_hints hints{};
  hints.preserve_aspect_ratio = true;
  EXPECT_FALSE(gui->get_resize_hints(p, &hints));
  EXPECT_TRUE(hints.preserve_aspect_ratio);  // untouched
  EXPECT_TRUE(gui->set_size(p, 10, 10));
  EXPECT_FALSE(gui->set_transient(p, &window));
  plugin.readStateText("STROBE-95 0.5.1\npreset Init\n");  // a refresh with no page is harmless
  gui->destroy(p);
  EXPECT_EQ(plugin.gui(), nullptr);
  gui->destroy(p);  // twice is fine
}

}  // namespace
}  // namespace strobe95

#include "Gui/WebView2Version.h"

namespace strobe95 {
namespace {

TEST(WebView2Runtime, UsesFoldersFromBuild1150On) {
  struct Case {
    const char* folder;
    bool usable;
  };
  const Case cases[] = {
      {"C:\\Program Files (x86)\\Microsoft\\EdgeWebView\\Application\\120.0.2210.91", true},
      {"C:\\x\\86.0.1150.38", true},   // the first build with every interface declared
      {"C:\\x\\86.0.1149.99", false},  // one build short
      {"C:/x/100.0.1185.36", true},
      {"C:\\x\\120.0.2210", false},    // three parts are no version
      {"C:\\x\\Application", false},
      {"", false},
  };
  for (const Case& c : cases) EXPECT_EQ(webview2::isUsableRuntimeFolder(c.folder), c.usable) << c.folder;
}

}  // namespace
}  // namespace strobe95
