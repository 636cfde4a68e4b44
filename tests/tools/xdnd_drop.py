#!/usr/bin/python3
"""Drops files on an X window through the X drag-and-drop protocol (XDND),
the way a file manager does: owns XdndSelection, sends XdndEnter and
XdndPosition, answers the selection request with a text/uri-list, drops once
the target accepts, and waits for XdndFinished.

Usage: xdnd_drop.py WINDOW X Y DONE PATH...
  WINDOW  the target's X window id; X, Y root coordinates inside it
  DONE    a file written once the target has finished ("0": dropped,
          "refused": the target did not accept)
  PATH    absolute Unix paths, dropped in this order
Exit status 0 after a finished drop, 1 on time-out, 2 when refused, 3 when
the window is gone ("no window": the X server refused a message to it).
"""
import os
import select
import sys
import time
import urllib.parse

from Xlib import X, Xatom, display
from Xlib.protocol import event


def main(argv):
    target_id, x, y, done, paths = int(argv[1], 0), int(argv[2]), int(argv[3]), argv[4], argv[5:]
    d = display.Display()
    errors = []
    d.set_error_handler(lambda error, request: errors.append(error))
    atom = d.intern_atom
    uri_list = atom("text/uri-list")
    source = d.screen().root.create_window(0, 0, 1, 1, 0, X.CopyFromParent)  # never mapped
    target = d.create_resource_object("window", target_id)
    uris = "".join("file://" + urllib.parse.quote(os.fsencode(p)) + "\r\n" for p in paths).encode("ascii")
    source.set_selection_owner(atom("XdndSelection"), X.CurrentTime)

    def send(name, *data):
        values = list(data) + [0] * (5 - len(data))
        message = event.ClientMessage(window=target, client_type=atom(name), data=(32, values))
        target.send_event(message, event_mask=X.NoEventMask)
        d.flush()

    def answer(request):
        prop = request.property
        if request.target == uri_list:
            request.requestor.change_property(prop, uri_list, 8, uris)
        elif request.target == atom("TARGETS"):
            request.requestor.change_property(prop, Xatom.ATOM, 32, [atom("TARGETS"), uri_list])
        else:
            prop = X.NONE
        notify = event.SelectionNotify(time=request.time, requestor=request.requestor,
                                       selection=request.selection, target=request.target, property=prop)
        request.requestor.send_event(notify, event_mask=X.NoEventMask)
        d.flush()

    def finish(status, text):
        with open(done, "w") as f:
            f.write(text)
        return status

    # Version 5; up to three types travel in the message itself.
    send("XdndEnter", source.id, 5 << 24, uri_list)
    send("XdndPosition", source.id, 0, (x << 16) | y, X.CurrentTime, atom("XdndActionCopy"))
    dropped = False
    deadline = time.monotonic() + 20
    while time.monotonic() < deadline:
        d.sync()  # errors of the messages sent so far arrive here
        if errors:
            return finish(3, "no window")
        while d.pending_events():
            e = d.next_event()
            if e.type == X.SelectionRequest:
                answer(e)
            elif e.type == X.ClientMessage and e.client_type == atom("XdndStatus") and not dropped:
                if not e.data[1][1] & 1:
                    send("XdndLeave", source.id)
                    return finish(2, "refused")
                send("XdndDrop", source.id, 0, X.CurrentTime)
                dropped = True
            elif e.type == X.ClientMessage and e.client_type == atom("XdndFinished"):
                return finish(0, "0")
        select.select([d.fileno()], [], [], 0.05)
    return finish(1, "timeout")


if __name__ == "__main__":
    sys.exit(main(sys.argv))
