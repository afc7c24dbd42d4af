// The host objects of Outlook and the RDO library over their IDispatch interfaces: what the
// portable core calls through src/host/ reaches the real objects here. Outlook's members go by
// their documented DISPIDs where there are some, else by name; RDO's always by name.
#pragma once

#include <string>

#include "com/com_ptr.h"
#include "com/ppbellnest_h.h"
#include "host/outlook.h"
#include "host/rdo.h"
#include "platform/win32/windows_api.h"

namespace bellnest::com {

// Outlook's PropertyPageSite, the dual interface the page's container implements (its IID is
// written once, in the type library's IDL).
inline const IID& kIidPropertyPageSite = IID_PropertyPageSite;

// The page site behind a client site (or container), when it answers PropertyPageSite; else Nothing.
PropertyPageSitePtr WrapPageSite(IUnknown* site);
ApplicationPtr WrapApplication(IDispatch* application);
RdoSessionPtr WrapRdoSession(IDispatch* session);

// CreateObject for the RDO session: CLSIDFromProgID and CoCreateInstance. Any failure to
// create is the run-time's 429.
class ComRdoFactory final : public RdoFactory {
 public:
  Result<RdoSessionPtr> CreateSession(const std::string& progId) override;
};

}  // namespace bellnest::com
