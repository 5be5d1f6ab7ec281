// The test card.
#include "cards/sides/test_card.h"

#include "cards/sides/demo_card.h"

namespace ymcko::cards {

Image test_card() { return demo_card(); }

print::CardSettings test_card_settings(bool /*encoder*/) { return demo_settings(); }

}  // namespace ymcko::cards
