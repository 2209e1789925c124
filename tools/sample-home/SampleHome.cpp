#include "sample-home/SampleHome.h"

#include "sample-home/ContactsSample.h"
#include "sample-home/MessagesSample.h"
#include "sample-home/NotesSample.h"
#include "sample-home/VoiceMemosSample.h"

namespace varnholt::sample {

void buildSampleHome(const std::filesystem::path& home, const SampleOptions& options)
{
    buildVoiceMemos(home, options);
    buildNotes(home, options);
    buildMessages(home, options);
    buildContacts(home, options);
}

} // namespace varnholt::sample
