#pragma once
// The text of the box that asks the user about a server certificate the platform could not
// verify.

#include "controller/catalogue.h"
#include "engine/platform/tls.h"

#include <string>

namespace tavo::controller {

// The catalogue's lines with the certificate's parts, in the catalogue's code page. The parts
// come from the server: UTF-8 is shown in the code page ('?' for what it lacks), and control
// characters as '?', so a name cannot break or forge the box's lines.
std::string CertificateText(const TCatalogue& catalogue,
                            const platform::TlsCertificateInfo& certificate);

} // namespace tavo::controller
