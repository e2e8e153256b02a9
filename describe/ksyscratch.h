// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ksyinterpreter.h"
#include "ksystream.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

// An object of a frame: an instance of a type, its values in slots.
struct KsyObject {
    const KsyType* Type = nullptr;
    KsyObject* Parent = nullptr;
    KsyStream* Io = nullptr;
    std::vector<KsyValue> Slots;
    std::vector<std::uint8_t> State; // of each slot: 0 not read, 1 being evaluated, 2 done
};

// What an expression sees: the object it stands in, and in a repeat-until
// or a check the current item and its number.
struct KsyContext {
    KsyObject* Self = nullptr;
    const KsyValue* Underscore = nullptr;
    std::int64_t Index = -1;
};

// What reading a frame takes, kept from frame to frame: objects, streams,
// buffers and lists used again, and the bounds of one frame's steps and
// memory (KsyInterpreter's).
struct KsyScratch {
    std::deque<KsyObject> Objects;
    std::size_t ObjectsUsed = 0;
    std::deque<KsyStream> Streams;
    std::size_t StreamsUsed = 0;
    std::deque<std::string> Buffers;
    std::size_t BuffersUsed = 0;
    std::deque<std::vector<KsyValue>> Lists;
    std::size_t ListsUsed = 0;
    std::int64_t Steps = 0;
    std::int64_t NextPoll = 0; // the step count at which the budget and the stop check are looked at
    std::size_t Bytes = 0;     // what the frame's values hold
    int Depth = 0;
    const char* StackTop = nullptr; // the frame address where reading began
    KsyObject* Root = nullptr;
    const KsyValue Nothing{};
    KsyValue Held; // a value made on the way, such as a byte of an array

    void Reset()
    {
        // A frame that went beyond the bound gives back what it took, rather
        // than keep it for the next.
        if (Bytes > KsyInterpreter::MaxFrameBytes) {
            Objects.clear();
            Streams.clear();
            Buffers.clear();
            Lists.clear();
        }
        ObjectsUsed = StreamsUsed = BuffersUsed = ListsUsed = 0;
        Steps = 0;
        NextPoll = 0;
        Bytes = 0;
        Depth = 0;
        Poll();
    }
    KsyStream* NewStream(const std::uint8_t* data, std::size_t size)
    {
        if (StreamsUsed == Streams.size())
            Streams.emplace_back();
        KsyStream* s = &Streams[StreamsUsed++];
        *s = KsyStream{data, size};
        return s;
    }
    std::string* NewBuffer()
    {
        if (BuffersUsed == Buffers.size())
            Buffers.emplace_back();
        return &Buffers[BuffersUsed++];
    }
    // A string made while the frame is read, kept here.
    KsyValue KeepString(std::string text)
    {
        Allocate(text.size());
        std::string* kept = NewBuffer();
        *kept = std::move(text);
        return KsyValue::OfString(*kept);
    }
    std::vector<KsyValue>* NewList()
    {
        if (ListsUsed == Lists.size())
            Lists.emplace_back();
        std::vector<KsyValue>* list = &Lists[ListsUsed++];
        list->clear();
        return list;
    }
    KsyObject* NewObject(const KsyType* type, KsyObject* parent, KsyStream* io)
    {
        if (ObjectsUsed == Objects.size())
            Objects.emplace_back();
        KsyObject* o = &Objects[ObjectsUsed++];
        o->Type = type;
        o->Parent = parent;
        o->Io = io;
        const auto slots = static_cast<std::size_t>(type->Slots());
        Allocate(sizeof(KsyObject) + slots * (sizeof(KsyValue) + 1));
        o->Slots.assign(slots, KsyValue{});
        o->State.assign(slots, 0);
        return o;
    }
    void Step()
    {
        if (++Steps >= NextPoll)
            Poll();
    }
    // Work on n items at once.
    void Charge(std::size_t n)
    {
        Steps += static_cast<std::int64_t>(std::min<std::size_t>(n, KsyInterpreter::MaxSteps + 1));
        if (Steps >= NextPoll)
            Poll();
    }
    // Memory for the frame's values, counted before it is taken; copying it
    // is work too.
    void Allocate(std::size_t bytes)
    {
        Bytes += bytes;
        if (Bytes > KsyInterpreter::MaxFrameBytes)
            throw KsyFrameError("the description needs more than " + std::to_string(KsyInterpreter::MaxFrameBytes >> 20)
                + " MB for the values of this frame");
        Charge(bytes / 64);
    }
    // Throws KsyFrameError beyond the bound of steps, or when the stop
    // check says stop.
    void Poll();
};
