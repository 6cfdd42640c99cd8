// The params extension: what hosts learn of the 37 parameters and how they set them.
#include <algorithm>
#include <cstring>

#include "NumberText.h"
#include "Plugin.h"
#include "ValueText.h"

namespace strobe95 {

bool Plugin::paramInfo(uint32_t index, clap_param_info* info) const {
  if (index >= kParamCount) return false;
  const ParamSpec& param = kParamSpecs[index];
  *info = clap_param_info{};
  info->id = param.clapId;
  info->flags = CLAP_PARAM_IS_AUTOMATABLE;
  if (param.type != ParamType::Float) info->flags |= CLAP_PARAM_IS_STEPPED;
  if (param.type == ParamType::Bool || param.type == ParamType::Choice) info->flags |= CLAP_PARAM_IS_ENUM;
  info->cookie = nullptr;
  std::snprintf(info->name, sizeof info->name, "%s", param.name);
  std::snprintf(info->module, sizeof info->module, "%s", param.module);
  info->min_value = param.min;
  info->max_value = param.max;
  info->default_value = param.defaultValue;
  return true;
}

bool Plugin::paramValue(clap_id id, double* out) const {
  const int index = findParamByClapId(id);
  if (index < 0) return false;
  *out = values_[index].load();
  return true;
}

bool Plugin::valueToText(clap_id id, double value, char* buffer, uint32_t size) const {
  const int index = findParamByClapId(id);
  if (index < 0 || size == 0) return false;
  const std::string text = formatValueText(kParamSpecs[index], value);
  const std::size_t length = std::min<std::size_t>(text.size(), size - 1);
  std::memcpy(buffer, text.data(), length);
  buffer[length] = '\0';
  return true;
}

bool Plugin::textToValue(clap_id id, const char* text, double* out) const {
  const int index = findParamByClapId(id);
  if (index < 0 || !text) return false;
  const auto value = parseValueText(kParamSpecs[index], text);
  if (!value) return false;
  *out = *value;
  return true;
}

// Host values are stored as sent; the engine clamps and rounds its own copy.
void Plugin::storeHostValue(int index, double value) {
  values_[index].exchange(narrowToFloat(value));
  needsRefresh_.store(true);
}

void Plugin::flush(const clap_input_events* in, const clap_output_events* out) {
  if (in) {
    const uint32_t count = in->size(in);
    for (uint32_t i = 0; i < count; ++i) {
      const clap_event_header* header = in->get(in, i);
      if (!header || header->space_id != CLAP_CORE_EVENT_SPACE_ID ||
          header->type != CLAP_EVENT_PARAM_VALUE) {
        continue;
      }
      const auto* event = reinterpret_cast<const clap_event_param_value*>(header);
      const int index = findParamByClapId(event->param_id);
      if (index >= 0) storeHostValue(index, event->value);
    }
  }
  if (out) drainOutbox(out);
}

void Plugin::drainOutbox(const clap_output_events* out) {
  ParamOutboxEntry entry;
  while (outbox_.pop(entry)) {
    const clap_id id = kParamSpecs[entry.index].clapId;
    if (entry.kind == OutboxKind::Value) {
      clap_event_param_value event{};
      event.header = {sizeof event, 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
      event.param_id = id;
      event.cookie = nullptr;
      event.note_id = -1;
      event.port_index = -1;
      event.channel = -1;
      event.key = -1;
      event.value = entry.value;
      out->try_push(out, &event.header);
    } else {
      clap_event_param_gesture event{};
      const uint16_t type = entry.kind == OutboxKind::GestureBegin ? CLAP_EVENT_PARAM_GESTURE_BEGIN
                                                                     : CLAP_EVENT_PARAM_GESTURE_END;
      event.header = {sizeof event, 0, CLAP_CORE_EVENT_SPACE_ID, type, 0};
      event.param_id = id;
      out->try_push(out, &event.header);
    }
  }
}

}  // namespace strobe95
