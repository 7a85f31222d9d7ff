#pragma once

// The one owner of read-back items. The persistence service creates an item for
// every record it reads back and offers it with its answer; from then on exactly one
// LoadedRecords holds it at a time, until somebody takes it for good (a caller, a
// collection). Items of an answer that nobody offered stay their sender's until a
// caller takes them where the protocol hands them over; they are never freed here.

#include <PubSub/Handover.h>

#include <cstddef>
#include <deque>
#include <memory>
#include <unordered_set>
#include <utility>

namespace EditorCollection {

template <class T>
class PersistentItem;

// Records read back from storage with the items they point at. Whoever holds a
// LoadedRecords owns the items it holds: it hands each one on with take() (or, over
// a message, with an Offer that the receiver claims), and frees the rest when it
// goes out of scope, exception or not. Items that came without an offer are only
// lent: take() hands them on, but nothing frees them. An item that several records
// point at is held, and freed, once. Move-only.
template <class T>
class LoadedRecords {
public:
    using Records = std::deque<PersistentItem<T>>;

    LoadedRecords() = default;
    // Takes over every item that records point at.
    explicit LoadedRecords(Records records);
    LoadedRecords(LoadedRecords&& other) noexcept;
    // Frees what this owner held, then takes over other's records and items.
    LoadedRecords& operator=(LoadedRecords&& other) noexcept;
    LoadedRecords(const LoadedRecords&) = delete;
    LoadedRecords& operator=(const LoadedRecords&) = delete;
    ~LoadedRecords() { freeHeld(); }

    std::size_t size() const { return m_records.size(); }
    bool empty() const { return m_records.empty(); }
    const PersistentItem<T>& operator[](std::size_t index) const { return m_records[index]; }
    typename Records::const_iterator begin() const { return m_records.begin(); }
    typename Records::const_iterator end() const { return m_records.end(); }

    // Whether this owner still holds item, to free it should nobody take it.
    bool holds(const T* item) const { return item && m_held.count(item) != 0; }

    // Hands the item of record index to the caller, held or lent; null when it was
    // taken already, or for a record without an item.
    std::unique_ptr<const T> take(std::size_t index);
    // Lets go of the item of record index without freeing it: it was handed over a
    // message that has no answer, so its receiver, if any, has it now.
    void handOver(std::size_t index) noexcept;
    // Lets go of every item: whoever has the returned records has their items now.
    Records release() &&;
    // Adds record and takes over its item, which is freed should adding fail.
    void append(PersistentItem<T> record);
    // Drops the last record, freeing its item if held.
    void dropLast() noexcept;

    // While it lives, offers what owner holds to the receivers of one message,
    // under a key they can see: the address of the message's records or of one
    // record. What nobody claims stays with owner.
    class Offer {
    public:
        Offer(LoadedRecords& owner, const void* key) noexcept
            : m_handover(key, &owner)
        {
        }

    private:
        PubSub::Handover m_handover;
    };

    // The receiver's side of an answer: the records offered under key, with the
    // items they hold, now the caller's. The items of a sender that offered nothing
    // are lent: still the sender's, until the caller takes one.
    static LoadedRecords claim(const void* key, const Records& records);
    // The receiver's side of a registration: the item of record, offered under the
    // record's own address, now the caller's. A registration hands its item to the
    // collection whether it was offered or not.
    static std::unique_ptr<const T> claimItem(const PersistentItem<T>& record);

private:
    static LoadedRecords lent(const Records& records);
    void freeHeld() noexcept;
    std::unique_ptr<const T> takeItem(const T* item);

    Records m_records;
    std::unordered_set<const T*> m_held;
    std::unordered_set<const T*> m_lent;
};

template <class T>
LoadedRecords<T>::LoadedRecords(Records records)
    : m_records(std::move(records))
{
    for (const PersistentItem<T>& record : m_records) {
        if (record.item)
            m_held.insert(record.item);
    }
}

template <class T>
LoadedRecords<T>::LoadedRecords(LoadedRecords&& other) noexcept
    : m_records(std::move(other.m_records))
    , m_held(std::move(other.m_held))
    , m_lent(std::move(other.m_lent))
{
    other.m_records.clear();
    other.m_held.clear();
    other.m_lent.clear();
}

template <class T>
LoadedRecords<T>& LoadedRecords<T>::operator=(LoadedRecords&& other) noexcept
{
    if (this != &other) {
        freeHeld();
        m_records = std::move(other.m_records);
        m_held = std::move(other.m_held);
        m_lent = std::move(other.m_lent);
        other.m_records.clear();
        other.m_held.clear();
        other.m_lent.clear();
    }
    return *this;
}

template <class T>
std::unique_ptr<const T> LoadedRecords<T>::take(std::size_t index)
{
    return takeItem(m_records[index].item);
}

template <class T>
void LoadedRecords<T>::handOver(std::size_t index) noexcept
{
    m_held.erase(m_records[index].item);
    m_lent.erase(m_records[index].item);
}

template <class T>
typename LoadedRecords<T>::Records LoadedRecords<T>::release() &&
{
    m_held.clear();
    m_lent.clear();
    return std::move(m_records);
}

template <class T>
void LoadedRecords<T>::append(PersistentItem<T> record)
{
    const T* item = record.item;
    const bool heldAlready = holds(item);
    try {
        if (item)
            m_held.insert(item);
        m_records.push_back(std::move(record));
    } catch (...) {
        if (item && !heldAlready) {
            m_held.erase(item);
            delete item;
        }
        throw;
    }
}

template <class T>
void LoadedRecords<T>::dropLast() noexcept
{
    if (m_records.empty())
        return;
    const T* item = m_records.back().item;
    m_records.pop_back();
    if (m_held.erase(item))
        delete item;
    m_lent.erase(item);
}

template <class T>
LoadedRecords<T> LoadedRecords<T>::claim(const void* key, const Records& records)
{
    if (auto* offered = static_cast<LoadedRecords*>(PubSub::Handover::take(key)))
        return std::move(*offered);
    return lent(records);
}

template <class T>
std::unique_ptr<const T> LoadedRecords<T>::claimItem(const PersistentItem<T>& record)
{
    if (auto* offered = static_cast<LoadedRecords*>(PubSub::Handover::take(&record)))
        return offered->takeItem(record.item);
    return std::unique_ptr<const T>(record.item);
}

template <class T>
LoadedRecords<T> LoadedRecords<T>::lent(const Records& records)
{
    LoadedRecords borrowed;
    borrowed.m_records = records;
    for (const PersistentItem<T>& record : borrowed.m_records) {
        if (record.item)
            borrowed.m_lent.insert(record.item);
    }
    return borrowed;
}

template <class T>
std::unique_ptr<const T> LoadedRecords<T>::takeItem(const T* item)
{
    if (!item || !(m_held.erase(item) || m_lent.erase(item)))
        return nullptr;
    return std::unique_ptr<const T>(item);
}

template <class T>
void LoadedRecords<T>::freeHeld() noexcept
{
    for (const T* item : m_held)
        delete item;
    m_held.clear();
}

} // namespace EditorCollection
