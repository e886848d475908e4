// One row of the observation table.
#include "model/observation_event.h"

observation_event::observation_event() = default;
