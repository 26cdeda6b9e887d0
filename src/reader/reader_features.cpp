#include "reader/reader_features.h"

#include "reader/boundids.h"
#include "reader/calibration.h"
#include "reader/modeparams.h"
#include "reader/netaddress.h"
#include "reader/netpoll.h"

namespace kestrel {

void createReaderFeatures(FeatureContext& ctx, std::vector<std::unique_ptr<QObject>>& out) {
    out.push_back(std::make_unique<NetAddress>(ctx));
    out.push_back(std::make_unique<Calibration>(ctx));
    out.push_back(std::make_unique<ModeParams>(ctx));
    out.push_back(std::make_unique<BoundIds>(ctx));
    out.push_back(std::make_unique<NetPoll>(ctx));
}

}  // namespace kestrel
