#include "MidiPortRows.h"

#include "DeviceChoice.h"

namespace strobe95::standalone {

std::vector<MidiPortRow> midiPortRows(const std::vector<MidiPortInfo>& ports, const std::vector<std::string>& storedNames,
                                      const std::vector<StoredPort>& storedPairs, bool bindAll) {
  const std::vector<int> matched = matchMidiEntries(ports, storedNames, storedPairs);
  std::vector<MidiPortRow> rows;
  for (const MidiPortInfo& port : ports) rows.push_back({port.name, port.id, {}, false, bindAll});
  std::vector<MidiPortRow> absent;
  for (std::size_t i = 0; i < matched.size(); ++i) {
    const bool plain = i < storedNames.size();
    const StoredPort entry = plain ? StoredPort{{}, storedNames[i]} : storedPairs[i - storedNames.size()];
    if (matched[i] >= 0) {
      rows[std::size_t(matched[i])].checked = true;
      continue;
    }
    if (entry.id.empty() && entry.name.empty()) continue;
    const std::string& shown = entry.name.empty() ? entry.id : entry.name;
    absent.push_back({shown + " (not connected)", {}, entry, plain, true});
  }
  rows.insert(rows.end(), absent.begin(), absent.end());
  return rows;
}

MidiSelection midiSelection(const std::vector<MidiPortRow>& rows, const std::vector<bool>& checked) {
  MidiSelection selection;
  std::vector<StoredPort> absentPairs;
  for (std::size_t i = 0; i < rows.size() && i < checked.size(); ++i) {
    if (!checked[i]) continue;
    const MidiPortRow& row = rows[i];
    if (!row.portId.empty()) {
      // The name a present port shows is today's: the record follows it.
      const std::string name = row.label;
      selection.pairs.push_back({row.portId, name});
      selection.openIds.push_back(row.portId);
    } else if (row.plainName) {
      selection.names.push_back(row.entry.name);
    } else {
      absentPairs.push_back(row.entry);
    }
  }
  selection.pairs.insert(selection.pairs.end(), absentPairs.begin(), absentPairs.end());
  return selection;
}

}  // namespace strobe95::standalone
