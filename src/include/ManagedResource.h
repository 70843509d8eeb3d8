/// @file
/// A game uses it to keep and let go of shared objects (retain, release).
/// ManagedResource: the reference-counted base of the shared objects (surfaces, fonts, image lists, widgets).
/// A holder retains what it keeps and releases what it drops; the release that brings the count to 0 deletes
/// the object.
/// Depends on: Console (for its two error lines).
#ifndef ZARVELLO_MANAGEDRESOURCE_H
#define ZARVELLO_MANAGEDRESOURCE_H

#include <SDL_types.h>

#include "Console.h"

/// The reference-counted base of surfaces, fonts, image lists and widgets.
class ManagedResource {
public:
    /// A new object with no holder (retain count 0).
    ManagedResource() : _retainCount(0) {}

    /// Logs "ERROR: destructor invoked when the retain count isn't 0!" when holders remain.
    virtual ~ManagedResource()
    {
        if (_retainCount != 0)
            Console::addString("ERROR: destructor invoked when the retain count isn't 0!");
    }

    ManagedResource(const ManagedResource &) = delete;
    ManagedResource &operator=(const ManagedResource &) = delete;

    /// Adds one holder. Returns the object itself.
    void *retain()
    {
        ++_retainCount;
        return this;
    }

    /// Drops one holder; deletes the object when none is left. Releasing more often than retaining logs an
    /// error and still deletes the object.
    void release()
    {
        --_retainCount;
        if (_retainCount < 0) {
            Console::addString("ERROR: release called more times than retain");
            _retainCount = 0;
        }
        if (_retainCount == 0)
            delete this;
    }

    /// The number of holders.
    Sint32 retainCount() const { return _retainCount; }

private:
    Sint32 _retainCount;
};

#endif
