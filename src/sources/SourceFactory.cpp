#include "sources/SourceFactory.h"

#include "sources/MacHomeSource.h"

namespace varnholt {

SourcePtr openSource(const std::string& folder)
{
    return MacHomeSource::make(folder);
}

} // namespace varnholt
