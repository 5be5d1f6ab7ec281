// The test card an operator sets a printer up with: each colour panel, a
// grey ramp, fine black lines and text on the black panel, a code that
// scans, the overlay area and, with an encoder, a test stripe.
#pragma once

#include "cards/images/image.h"
#include "print/card_settings.h"

namespace ymcko::cards {

// The test card's front, landscape, 1024 x 656, opaque.
Image test_card();

// The settings the test card wants: landscape, its overlay area, and with
// `encoder` a test stripe written by the encoder.
print::CardSettings test_card_settings(bool encoder);

}  // namespace ymcko::cards
