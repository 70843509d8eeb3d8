/// @file
/// A game uses it to keep and let go of shared objects (retain, release).
/// ManagedResource: the reference-counted base of the shared objects (surfaces, fonts, image lists, widgets).
/// A holder retains what it keeps and releases what it drops; the release that brings the count to 0 deletes
/// the object. A cache (images, fonts) holds its entries by a reference of its own: while it does, no other
/// release can destroy the object, so a game that releases what a cache lends it gets an error line and the
/// object stays. What cannot be caught: an object released once more after the release that destroyed it (an
/// object the game made and released twice, say) is gone, and that release reads freed memory. Keep each
/// release paired with a retain of your own.
/// Depends on: Console (for its two error lines).
#ifndef ZARVELLO_MANAGEDRESOURCE_H
#define ZARVELLO_MANAGEDRESOURCE_H

#include <SDL_types.h>

#include "Console.h"

/// The reference-counted base of surfaces, fonts, image lists and widgets.
class ManagedResource {
public:
    /// A new object with no holder (retain count 0).
    ManagedResource() : _retainCount(0), _lentAs(nullptr) {}

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
    /// error and still deletes the object. The reference a cache holds is dropped only by releaseFromCache: a
    /// release that would take it logs "ERROR: release of '<name>', which a cache lends: ..." and does nothing.
    void release()
    {
        if (_lentAs && _retainCount <= 1) {
            Console::addString("ERROR: release of '%s', which a cache lends: it stays until the cache lets it go",
                               _lentAs);
            return;
        }
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

    /// Adds the reference of a cache that lends the object out under name (text that lives as long as the object).
    void retainForCache(const char *name)
    {
        retain();
        _lentAs = name ? name : "";
    }

    /// Drops the cache's reference, the one retainForCache added.
    void releaseFromCache()
    {
        _lentAs = nullptr;
        release();
    }

private:
    Sint32 _retainCount;
    const char *_lentAs;  // the name a cache lends the object under; null while no cache holds it
};

#endif
