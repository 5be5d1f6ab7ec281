// SVG geometry as templates write it: lengths in user units and transform
// lists, read into affine maps.
#pragma once

#include <optional>
#include <string>

namespace ymcko::cards {

// An affine map x' = a x + c y + e, y' = b x + d y + f.
struct Affine {
  double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
  Affine then(const Affine& m) const {  // this map inside m
    return {m.a * a + m.c * b, m.b * a + m.d * b,       m.a * c + m.c * d,
            m.b * c + m.d * d, m.a * e + m.c * f + m.e, m.b * e + m.d * f + m.f};
  }
};

// A length in user units: a number, optionally "px".
std::optional<double> user_length(const std::string& text);

// An SVG transform list, or nothing when it cannot be read.
std::optional<Affine> parse_transform(const std::string& text);

}  // namespace ymcko::cards
