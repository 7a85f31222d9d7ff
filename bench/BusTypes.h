#pragma once

// The one message, handler and sender the bus benchmarks share, and the Qt
// objects that carry the same message to the same handler.

#include <BusClient.h>

#include <QObject>

#include <cstdint>

namespace Bench {

class Sender : public virtual PubSub::Object { };

class PingRequest : public Message::Types::Request<Sender> { };

// Registered for another message type: must never cost a PingRequest anything.
class OtherRequest : public Message::Types::Request<Sender> { };

// Every mechanism ends in this one virtual call, so only the delivery differs.
// Defined out of line, so that no mechanism can inline it.
class PingHandler : public PubSub::Subscriber<PingRequest> {
public:
    void handle(const PingRequest&) override;

    std::uint64_t calls = 0;
};

class OtherHandler : public PubSub::Subscriber<OtherRequest> {
public:
    void handle(const OtherRequest&) override;

    std::uint64_t calls = 0;
};

using PingTarget = PubSub::Details::Subscriber<PingRequest>;

class QtPingSource : public QObject {
    Q_OBJECT
signals:
    void ping(const Bench::PingRequest& request);
};

class QtPingSlot : public QObject {
    Q_OBJECT
public:
    explicit QtPingSlot(PingTarget* target)
        : m_target(target)
    {
    }

public slots:
    void onPing(const Bench::PingRequest& request) { m_target->handle(request); }

private:
    PingTarget* const m_target;
};

} // namespace Bench
