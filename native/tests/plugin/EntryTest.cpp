#include <cstring>
#include <string>
#include <vector>

#include <clap/ext/audio-ports.h>
#include <clap/ext/note-ports.h>

#include "PluginFixture.h"

namespace strobe95::test {
namespace {

TEST(Entry, AnswersOnlyThePluginFactoryId) {
  const clap_plugin_entry* entry = builtPlugin().entry();
  ASSERT_NE(entry, nullptr) << builtPlugin().error();
  EXPECT_EQ(entry->clap_version.major, 1u);
  EXPECT_EQ(entry->clap_version.minor, 2u);
  EXPECT_EQ(entry->clap_version.revision, 10u);
  EXPECT_NE(entry->get_factory("clap.plugin-factory"), nullptr);
  for (const char* other : {"CLAP.PLUGIN-FACTORY", "clap.plugin-factory ", "clap.preset-discovery-factory", ""}) {
    EXPECT_EQ(entry->get_factory(other), nullptr) << other;
  }
}

TEST(Factory, OffersOneDescriptor) {
  const clap_plugin_factory* factory = factoryOf(builtPlugin());
  ASSERT_NE(factory, nullptr);
  EXPECT_EQ(factory->get_plugin_count(factory), 1u);
  EXPECT_EQ(factory->get_plugin_descriptor(factory, 1), nullptr);
  const clap_plugin_descriptor* d = factory->get_plugin_descriptor(factory, 0);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->clap_version.major, 1u);
  EXPECT_EQ(d->clap_version.minor, 2u);
  EXPECT_EQ(d->clap_version.revision, 10u);
  EXPECT_STREQ(d->id, "co.glowhaus.strobe95");
  EXPECT_STREQ(d->name, "STROBE-95");
  EXPECT_STREQ(d->vendor, "Glowhaus");
  EXPECT_STREQ(d->version, "0.5.1");
  EXPECT_STREQ(d->description,
               "A free 90s rave synth: supersaw, hoover, acid, an arpeggiator that breathes, a sample "
               "layer and effects.");
  ASSERT_NE(d->url, nullptr);
  EXPECT_GT(std::strlen(d->url), 0u);
  EXPECT_STREQ(d->manual_url, d->url);
  EXPECT_STREQ(d->support_url, d->url);
  std::vector<std::string> features;
  for (const char* const* f = d->features; *f; ++f) features.emplace_back(*f);
  EXPECT_EQ(features, (std::vector<std::string>{"instrument", "synthesizer", "stereo"}));
}

TEST(Factory, RefusesForeignIdsAndDevelopmentHosts) {
  const clap_plugin_factory* factory = factoryOf(builtPlugin());
  struct Case {
    clap_version_t hostVersion;
    const char* id;
    bool created;
  };
  const Case cases[] = {
      {{1, 2, 10}, "co.glowhaus.strobe95", true},
      {{1, 0, 0}, "co.glowhaus.strobe95", true},   // any 1.x host speaks a compatible ABI
      {{0, 9, 0}, "co.glowhaus.strobe95", false},  // 0.x was the unstable draft
      {{1, 2, 10}, "co.glowhaus.strobe96", false},
      {{1, 2, 10}, "CO.GLOWHAUS.STROBE95", false},
      {{1, 2, 10}, "", false},
  };
  for (const Case& c : cases) {
    TestHost host({true, true, c.hostVersion});
    const clap_plugin* plugin = factory->create_plugin(factory, host.host(), c.id);
    EXPECT_EQ(plugin != nullptr, c.created) << c.id << " host " << c.hostVersion.major;
    if (plugin) {
      EXPECT_STREQ(plugin->desc->id, "co.glowhaus.strobe95");
      plugin->destroy(plugin);
    }
  }
}

using Extensions = PluginTest;

TEST_F(Extensions, OffersExactlyPortsParamsAndState) {
  const clap_plugin* p = instance.plugin();
  for (const char* id : {"clap.audio-ports", "clap.note-ports", "clap.params", "clap.state"}) {
    EXPECT_NE(p->get_extension(p, id), nullptr) << id;
  }
  for (const char* id : {"clap.latency", "clap.params.draft/0", "CLAP.PARAMS", "clap.state ", "", "clap.tail"}) {
    EXPECT_EQ(p->get_extension(p, id), nullptr) << id;
  }
}

TEST_F(Extensions, OneStereoOutputNoAudioInput) {
  const clap_plugin* p = instance.plugin();
  auto* ports = static_cast<const clap_plugin_audio_ports*>(p->get_extension(p, CLAP_EXT_AUDIO_PORTS));
  EXPECT_EQ(ports->count(p, true), 0u);
  EXPECT_EQ(ports->count(p, false), 1u);

  clap_audio_port_info info{};
  ASSERT_TRUE(ports->get(p, 0, false, &info));
  EXPECT_EQ(info.id, 0u);
  EXPECT_STREQ(info.name, "Output");
  EXPECT_EQ(info.flags, uint32_t{CLAP_AUDIO_PORT_IS_MAIN});
  EXPECT_EQ(info.channel_count, 2u);
  EXPECT_STREQ(info.port_type, "stereo");
  EXPECT_EQ(info.in_place_pair, CLAP_INVALID_ID);

  // Queries outside the single port leave the caller's record alone.
  clap_audio_port_info untouched{};
  untouched.id = 77;
  EXPECT_FALSE(ports->get(p, 1, false, &untouched));
  EXPECT_FALSE(ports->get(p, 0, true, &untouched));
  EXPECT_EQ(untouched.id, 77u);
}

TEST_F(Extensions, OneNoteInputPreferringClapNotes) {
  const clap_plugin* p = instance.plugin();
  auto* ports = static_cast<const clap_plugin_note_ports*>(p->get_extension(p, CLAP_EXT_NOTE_PORTS));
  EXPECT_EQ(ports->count(p, true), 1u);
  EXPECT_EQ(ports->count(p, false), 0u);

  clap_note_port_info info{};
  ASSERT_TRUE(ports->get(p, 0, true, &info));
  EXPECT_EQ(info.id, 0u);
  EXPECT_STREQ(info.name, "Notes");
  EXPECT_EQ(info.supported_dialects, uint32_t{CLAP_NOTE_DIALECT_CLAP | CLAP_NOTE_DIALECT_MIDI});
  EXPECT_EQ(info.preferred_dialect, uint32_t{CLAP_NOTE_DIALECT_CLAP});

  clap_note_port_info untouched{};
  untouched.id = 77;
  EXPECT_FALSE(ports->get(p, 0, false, &untouched));
  EXPECT_FALSE(ports->get(p, 1, true, &untouched));
  EXPECT_EQ(untouched.id, 77u);
}

TEST(Lifecycle, WorksWithoutHostExtensions) {
  TestHost bare({false, false, {1, 2, 10}});
  PluginInstance instance(builtPlugin(), bare);
  EXPECT_TRUE(instance->activate(instance.plugin(), 48000, 1, 4096));
  AudioBlock block(64);
  EXPECT_EQ(instance->process(instance.plugin(), block.process(nullptr, nullptr)), CLAP_PROCESS_CONTINUE);
  instance->deactivate(instance.plugin());
  EXPECT_NE(instance.saveText(), "");
}

TEST(Lifecycle, ManyInstancesLiveSideBySide) {
  TestHost host;
  PluginInstance a(builtPlugin(), host);
  PluginInstance b(builtPlugin(), host);
  const clap_id cutoff = clapIdOf("cutoff");
  InputEvents in;
  in.param(0, cutoff, 500);
  a.params()->flush(a.plugin(), in.list(), nullptr);
  EXPECT_EQ(a.value("cutoff"), 500);
  EXPECT_EQ(b.value("cutoff"), 1800);
}

}  // namespace
}  // namespace strobe95::test
