// SVG lengths and transform lists.
#include "cards/designs/svg_transform.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace ymcko::cards {

std::optional<double> user_length(const std::string& text) {
  std::string number = text;
  if (number.size() > 2 && number.compare(number.size() - 2, 2, "px") == 0)
    number.resize(number.size() - 2);
  char* end = nullptr;
  const double value = std::strtod(number.c_str(), &end);
  if (number.empty() || end != number.c_str() + number.size() || !std::isfinite(value))
    return std::nullopt;
  return value;
}

std::optional<Affine> parse_transform(const std::string& text) {
  Affine total;
  const char* at = text.c_str();
  auto skip = [&] {
    while (*at == ' ' || *at == '\t' || *at == '\n' || *at == '\r' || *at == ',') ++at;
  };
  for (skip(); *at; skip()) {
    const char* name = at;
    while (std::isalpha((unsigned char)*at)) ++at;
    const std::string function(name, at);
    skip();
    if (*at++ != '(') return std::nullopt;
    std::vector<double> v;
    for (skip(); *at && *at != ')'; skip()) {
      char* end = nullptr;
      const double number = std::strtod(at, &end);
      if (end == at || !std::isfinite(number) || v.size() == 6) return std::nullopt;
      v.push_back(number);
      at = end;
    }
    if (*at++ != ')') return std::nullopt;
    const double pi = 3.14159265358979323846;
    Affine m;
    if (function == "matrix" && v.size() == 6) {
      m = {v[0], v[1], v[2], v[3], v[4], v[5]};
    } else if (function == "translate" && (v.size() == 1 || v.size() == 2)) {
      m.e = v[0];
      m.f = v.size() == 2 ? v[1] : 0;
    } else if (function == "scale" && (v.size() == 1 || v.size() == 2)) {
      m.a = v[0];
      m.d = v.size() == 2 ? v[1] : v[0];
    } else if (function == "rotate" && (v.size() == 1 || v.size() == 3)) {
      const double angle = v[0] * pi / 180, cx = v.size() == 3 ? v[1] : 0,
                   cy = v.size() == 3 ? v[2] : 0;
      m = {std::cos(angle), std::sin(angle), -std::sin(angle), std::cos(angle), 0, 0};
      m.e = cx - m.a * cx - m.c * cy;
      m.f = cy - m.b * cx - m.d * cy;
    } else if (function == "skewX" && v.size() == 1) {
      m.c = std::tan(v[0] * pi / 180);
    } else if (function == "skewY" && v.size() == 1) {
      m.b = std::tan(v[0] * pi / 180);
    } else {
      return std::nullopt;
    }
    total = m.then(total);  // the list applies from its right end
  }
  return total;
}

}  // namespace ymcko::cards
