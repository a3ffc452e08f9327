#include "platform/acm/default_drivers.h"

#include "platform/acm/driver_list.h"
#include "platform/acm/pcm_driver.h"
#include "platform/acm/sc4/sc4_driver.h"
#include "platform/acm/truespeech/truespeech_driver.h"

namespace kivo::acm {

// The one place that decides which codec drivers a process has and in which order they are
// enumerated: PCM first, then the codecs.
void RegisterDefaultDrivers(DriverList& list) {
    list.Add(MakePcmDriver(), AcmPlacement::Last);
    list.Add(sc4::CreateSc4Driver(), AcmPlacement::Last);
    list.Add(truespeech::CreateTrueSpeechDriver(), AcmPlacement::Last);
}

}  // namespace kivo::acm
