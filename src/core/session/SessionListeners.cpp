#include "core/session/Session.h"

namespace korvid
{

void Session::addListener (Listener* listener)     { listeners.add (listener); }
void Session::removeListener (Listener* listener)  { listeners.remove (listener); }

void Session::notifyTracksChanged()       { listeners.call ([] (Listener& l) { l.tracksChanged(); }); }
void Session::notifyAssignmentsChanged()  { listeners.call ([] (Listener& l) { l.assignmentsChanged(); }); }
void Session::notifyPresetChanged()       { listeners.call ([] (Listener& l) { l.presetChanged(); }); }

} // namespace korvid
