// Queries and hang-up of dial-up connections on the user's default phonebook. Called on the
// user-interface thread; each call blocks while RAS answers. Every RAS error collapses into the
// failure result: RAS's codes are neither shown nor kept.
#pragma once

class DialupDetect {
public:
    // 1: a connection for name is up; 0: none is; -1: RAS failed, the phonebook is empty, or no
    // phonebook entry contains name. A null name skips the phonebook and asks for any connection.
    static int IsDialupConnected(const char* name);

    // True on success, with connectedName = a new char[] copy (the caller delete[]s it) of the
    // entry name of the first connection in RAS order that is connected and whose name occurs in
    // name (any connection when name is null), or null when there is none. False when RAS failed;
    // connectedName is then left as it was.
    static bool GetRasConnState(const char* name, char*& connectedName);

    // Hangs up every connected connection whose entry name occurs in name (all of them when name
    // is null) and waits until RAS has let go of each. 1: done, also when nothing matched; -1: a
    // status query failed, or a connection would not let go (the walk stops there).
    static int HangUpConnection(const char* name);
};
