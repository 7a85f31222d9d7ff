#pragma once

// The contents of one collection, the eight messages about containers, and the
// view machinery that follows containers over the bus.

#include "BusClient.h"

#include <Types/Image.h>

#include <deque>
#include <map>
#include <memory>
#include <set>
#include <string>

namespace EditorCollection {

// One collection's contents. Never owns what its pointers point to; previews are shared.
template<class T>
class Container : public virtual PubSub::Object
{
public:
    Container() = default;
    Container(const Container&) = default;
    Container(Container&&) = default;
    Container& operator=(const Container&) = default;
    Container& operator=(Container&&) = default;
    ~Container() override = default;

    bool firstFlag = false;
    bool secondFlag = false;
    std::deque<const T*> items;
    std::string firstText;
    std::string secondText;
    std::deque<std::string> textList;
    std::map<std::string, std::string> textMap;
    std::map<const T*, std::set<std::string>> itemTextSets;
    std::map<const T*, std::shared_ptr<const Types::Image>> previews;
    std::set<const T*> removableItems;
    std::set<const T*> secondItemSet;
};

} // namespace EditorCollection

namespace Message {
namespace Types {

// Hands container (the object itself) to an owner.
template<class C>
class Add : public Request<C>
{
public:
    C* container = nullptr;
};

// Asks the owner of object to take contents, which live only during delivery.
template<class C>
class Change : public Request<C>
{
public:
    C* contents = nullptr;
};

template<class C>
class Remove : public Request<C>
{
};

template<class C>
class Enumerate : public Request<C>
{
};

template<class C>
class Added : public Notification<C>
{
};

// object already holds the new contents; previous lives only during delivery.
template<class C>
class Changed : public Notification<C>
{
public:
    C* previous = nullptr;
};

// Sent while object is still intact.
template<class C>
class Removed : public Notification<C>
{
};

template<class C>
class Enumerated : public Notification<C>
{
};

} // namespace Types
} // namespace Message
