// GCC 12 and later take the iterator that juce::ListenerList registers for the length of
// a call for a dangling pointer; it is unregistered before the call returns.
#if defined (__GNUC__) && ! defined (__clang__) && __GNUC__ >= 12
 #pragma GCC diagnostic ignored "-Wdangling-pointer"
#endif

#include "core/session/Session.h"

namespace korvid
{

void Session::addListener (Listener* listener)     { listeners.add (listener); }
void Session::removeListener (Listener* listener)  { listeners.remove (listener); }

void Session::notifyTracksChanged()       { listeners.call ([] (Listener& l) { l.tracksChanged(); }); }
void Session::notifyAssignmentsChanged()  { listeners.call ([] (Listener& l) { l.assignmentsChanged(); }); }
void Session::notifyPresetChanged()       { listeners.call ([] (Listener& l) { l.presetChanged(); }); }

} // namespace korvid
