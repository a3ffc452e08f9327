#include "platform/acm/default_drivers.h"

#include "platform/acm/driver_list.h"
#include "platform/acm/pcm_driver.h"

namespace acm {

// The one place that decides which codec drivers a process has and in which order they are
// enumerated: PCM first, then the codecs.
void RegisterDefaultDrivers(DriverList& list) {
    list.Add(MakePcmDriver(), AcmPlacement::Last);
}

}  // namespace acm
