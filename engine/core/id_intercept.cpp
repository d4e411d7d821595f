#include "engine/core/id_intercept.h"

#include "engine/platform/local_time.h"

#include <chrono>
#include <ctime>

namespace tavo::engine {

void TIdConnectionIntercept::Connect(TIdTCPConnection& connection) {
    Connection = &connection;
    if (OnConnect)
        OnConnect(*this);
    if (Intercept != nullptr)
        Intercept->Connect(connection);
}

void TIdConnectionIntercept::Disconnect() {
    if (Intercept != nullptr)
        Intercept->Disconnect();
    if (OnDisconnect)
        OnDisconnect(*this);
    Connection = nullptr;
}

void TIdConnectionIntercept::Receive(std::string& block) {
    if (Intercept != nullptr)
        Intercept->Receive(block);
    if (OnReceive)
        OnReceive(*this, block);
}

void TIdConnectionIntercept::Send(std::string& block) {
    if (OnSend)
        OnSend(*this, block);
    if (Intercept != nullptr)
        Intercept->Send(block);
}

void TIdLogEvent::Connect(TIdTCPConnection& connection) {
    TIdConnectionIntercept::Connect(connection);
    if (Active && OnStatus)
        OnStatus(*this, "Connected.");
}

void TIdLogEvent::Disconnect() {
    TIdConnectionIntercept::Disconnect();
    if (Active && OnStatus)
        OnStatus(*this, "Disconnected.");
}

void TIdLogEvent::Receive(std::string& block) {
    if (!Active)
        return;
    TIdConnectionIntercept::Receive(block);
    if (OnReceived)
        OnReceived(*this, TimeText(), Shown(block));
}

void TIdLogEvent::Send(std::string& block) {
    if (!Active)
        return;
    TIdConnectionIntercept::Send(block);
    if (OnSent)
        OnSent(*this, TimeText(), Shown(block));
}

std::string TIdLogEvent::TimeText() const {
    if (!LogTime)
        return {};
    std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm local = platform::LocalTime(now);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

std::string TIdLogEvent::Shown(const std::string& block) const {
    if (!ReplaceCRLF)
        return block;
    std::string shown;
    shown.reserve(block.size());
    for (size_t i = 0; i < block.size(); ++i) {
        if (block[i] == '\r' && i + 1 < block.size() && block[i + 1] == '\n') {
            shown += "<EOL>";
            ++i;
        } else if (block[i] == '\r') {
            shown += "<CR>";
        } else if (block[i] == '\n') {
            shown += "<LF>";
        } else {
            shown += block[i];
        }
    }
    return shown;
}

} // namespace tavo::engine
