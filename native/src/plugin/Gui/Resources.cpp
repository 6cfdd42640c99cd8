#include "Resources.h"

#include "FaceplateAssets.inc"

namespace strobe95 {

const std::array<FaceplateResource, 6> kResources = {{
    {"/", "text/html", kFaceplatePage},
    {"/gui.js", "text/javascript", kFaceplateScript},
    {"/parameters.json", "application/json", kPanelDescription},
    {"/fonts/Orbitron.ttf", "font/ttf", kOrbitronFont},
    {"/fonts/PressStart2P.ttf", "font/ttf", kPressStart2PFont},
    {"/fonts/VT323.ttf", "font/ttf", kVt323Font},
}};

const FaceplateResource* fetchFaceplateResource(std::string_view path) {
  path = path.substr(0, path.find_first_of("?#"));
  for (const FaceplateResource& resource : kResources) {
    if (resource.path == path) return &resource;
  }
  return nullptr;
}

HttpHeaders responseHeaders(const FaceplateResource& resource) {
  return {{"Content-Type", std::string(resource.mimeType)},
          {"Cache-Control", "no-store"},
          {"Access-Control-Allow-Origin", "*"}};
}

}  // namespace strobe95
