// The built-in sample mailbox: the profile used when no profile file is given. The same text
// ships as docs/sample-profile.json.
#pragma once

#include <string_view>

#include "sim/profile/profile_model.h"

namespace bellnest::sim {

std::string_view SampleProfileJson();
ProfileModel SampleProfile();

}  // namespace bellnest::sim
