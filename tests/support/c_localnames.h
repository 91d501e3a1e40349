#pragma once
// c_useLocalNamesOnly: host names and addresses of this process are looked up in
// the hosts file only, never through a name server.
//
// A listener looks every accepted peer up by its address, and a running TM's
// peers are 127.0.0.x addresses that the hosts file does not name, so each
// accept would ask the machine's name server. Test programs running side by side
// (ctest -j, or one test started several times at once) flood that server with
// such queries; it stops answering them, every lookup then waits out the
// resolver's time-out of seconds, the accept thread stalls behind it and the
// listen backlog overflows: controllers go unanswered and the resolver's socket
// counts as a descriptor left open. Tests, the test TM process and benchmarks
// call this first thing, so that their lookups are answered locally and at once
// and parallel runs share nothing but the loopback interface.

#include <nss.h>

inline void c_useLocalNamesOnly() { __nss_configure_lookup("hosts", "files"); }
