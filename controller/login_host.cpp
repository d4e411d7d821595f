#include "controller/login_host.h"

#include "engine/core/text.h"

namespace tavo::controller {

TLoginTarget ParseLoginHost(const std::string& host, int32_t port) {
    struct TScheme {
        const char* Prefix;
        engine::TIdUseTLS UseTLS;
        int32_t Port;
    };
    static constexpr TScheme schemes[] = {
        {"ftpes://", engine::utUseExplicitTLS, 21},
        {"ftps://", engine::utUseImplicitTLS, engine::TIdFTP::ImplicitTLSPort},
        {"ftp://", engine::utNoTLSSupport, 21},
    };
    for (const TScheme& scheme : schemes) {
        const std::string prefix = scheme.Prefix;
        if (host.size() < prefix.size() ||
            !engine::EqualsIgnoreCase(host.substr(0, prefix.size()), prefix))
            continue;
        std::string rest = host.substr(prefix.size());
        while (!rest.empty() && rest.back() == '/')
            rest.pop_back();
        return {rest, port == 0 ? scheme.Port : port, scheme.UseTLS};
    }
    return {host, port, engine::utNoTLSSupport};
}

} // namespace tavo::controller
