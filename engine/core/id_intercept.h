#pragma once
// The trace hook: sees every block a connection sends or receives, before it goes out or
// enters the input buffer, and may change it.

#include <functional>
#include <string>

namespace tavo::engine {

class TIdTCPConnection;

class TIdConnectionIntercept {
public:
    using TIdInterceptNotifyEvent = std::function<void(TIdConnectionIntercept& sender)>;
    using TIdInterceptStreamEvent =
        std::function<void(TIdConnectionIntercept& sender, std::string& block)>;

    virtual ~TIdConnectionIntercept() = default;

    TIdInterceptNotifyEvent OnConnect;
    TIdInterceptNotifyEvent OnDisconnect;
    TIdInterceptStreamEvent OnReceive;
    TIdInterceptStreamEvent OnSend;
    TIdTCPConnection* Connection = nullptr;
    TIdConnectionIntercept* Intercept = nullptr; // nested hook

    virtual void Connect(TIdTCPConnection& connection);
    virtual void Disconnect();
    virtual void Receive(std::string& block);
    virtual void Send(std::string& block);
};

// Turns blocks into text events for a trace panel.
class TIdLogEvent : public TIdConnectionIntercept {
public:
    using TLogItemDataEvent =
        std::function<void(TIdLogEvent& sender, const std::string& text, const std::string& data)>;
    using TLogItemStatusEvent = std::function<void(TIdLogEvent& sender, const std::string& text)>;

    bool Active = false;
    bool LogTime = true;
    bool ReplaceCRLF = true;

    TLogItemDataEvent OnReceived;
    TLogItemDataEvent OnSent;
    TLogItemStatusEvent OnStatus;

    void Connect(TIdTCPConnection& connection) override;
    void Disconnect() override;
    void Receive(std::string& block) override;
    void Send(std::string& block) override;

private:
    std::string TimeText() const;
    std::string Shown(const std::string& block) const;
};

} // namespace tavo::engine
