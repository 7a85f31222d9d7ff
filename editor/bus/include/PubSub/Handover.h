#pragma once

namespace PubSub {

// Ownership handed over with a message while it is delivered. The sender offers
// what it owns under a key its receivers can see (the address of the message or of
// a record the message carries); the receiver that takes the offer owns it from
// then on, and whatever nobody took stays with the sender. Offers belong to the
// thread that makes them and nest like the publishing they surround; neither
// making nor taking one allocates.
class Handover {
public:
    // Offers offered under key until this object is destroyed.
    Handover(const void* key, void* offered) noexcept;
    ~Handover();
    Handover(const Handover&) = delete;
    Handover& operator=(const Handover&) = delete;

    // What this thread offers under key, handed out once: null when nothing is
    // offered under key or somebody took it already.
    static void* take(const void* key) noexcept;

    // Whether the offer made through this object was taken.
    bool taken() const noexcept { return !m_offered; }

private:
    const void* const m_key;
    void* m_offered;
    Handover* const m_outer;
};

} // namespace PubSub
