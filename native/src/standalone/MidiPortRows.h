#pragma once
// The rows of the settings window's MIDI lists and what OK keeps of them. Every stored
// entry is listed, present or not, so that an unplugged keyboard stays in the record
// until the user unchecks it: plugged in again, it plays again.
#include <string>
#include <vector>

#include "MidiBackend.h"
#include "StandaloneSettings.h"

namespace strobe95::standalone {

struct MidiPortRow {
  std::string label;    // the port's name, or the stored name + " (not connected)"
  std::string portId;   // empty: the stored port is not present
  StoredPort entry;     // the stored entry an absent row stands for (a plain name has no id)
  bool plainName = false;  // that entry came from the list of plain names
  bool checked = false;    // as the row is shown
};

// Present ports in the layer's order, checked when a stored entry names them (all of them
// when every port is bound), then the stored entries no port answers to, checked.
std::vector<MidiPortRow> midiPortRows(const std::vector<MidiPortInfo>& ports, const std::vector<std::string>& storedNames,
                                      const std::vector<StoredPort>& storedPairs, bool bindAll);

struct MidiSelection {
  std::vector<std::string> names;  // plain-name entries kept as they were stored
  std::vector<StoredPort> pairs;   // present ports with today's id and name, then absent pairs as stored
  std::vector<std::string> openIds;  // the present ports to open
  bool operator==(const MidiSelection&) const = default;
};

// What the record keeps when OK is pressed with these check marks, index for index with
// the rows: checked rows stay, unchecked ones are forgotten.
MidiSelection midiSelection(const std::vector<MidiPortRow>& rows, const std::vector<bool>& checked);

}  // namespace strobe95::standalone
