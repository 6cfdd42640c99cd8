#pragma once
// The files of the faceplate, compiled into the plugin and served to its web view from
// memory: the page reaches neither the disk nor the network.
#include <array>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace strobe95 {

struct FaceplateResource {
  std::string_view path;  // below the served root, beginning with "/"
  std::string_view mimeType;
  std::span<const unsigned char> bytes;
};

extern const std::array<FaceplateResource, 6> kResources;

// The resource for a request's path, or null (answered 404 "Not Found"). The query and
// fragment are cut off first; the rest must equal a path exactly, letter case included.
const FaceplateResource* fetchFaceplateResource(std::string_view path);

// What a found resource is answered with besides its bytes (status 200 "OK").
using HttpHeaders = std::vector<std::pair<std::string, std::string>>;
HttpHeaders responseHeaders(const FaceplateResource& resource);

inline constexpr int kNotFoundStatus = 404;
inline constexpr std::string_view kNotFoundReason = "Not Found";

}  // namespace strobe95
