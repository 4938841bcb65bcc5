// test-hostile-owner DISPLAY SELECTION MODE COUNT: an X client that takes the selection
// ("CLIPBOARD" or "PRIMARY") and then serves it as an application that misbehaves would:
//   mute      never answers anything, not even the list of its targets;
//   listing   lists COUNT targets (application/x-hostile-N) and never gives any of them;
//   answering lists COUNT targets and gives each as the one byte "x".
//   strict    answers as answering, but refuses every request that is not dated (a time of
//             CurrentTime), as the conventions let an owner do.
// It prints "ready" once it owns the selection, and serves until it is killed or loses it.
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

xcb_atom_t Atom(xcb_connection_t* c, const std::string& name)
{
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(name.size()), name.c_str()), nullptr);
    const xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return atom;
}

void Answer(xcb_connection_t* c, const xcb_selection_request_event_t& request, bool given)
{
    xcb_selection_notify_event_t notify{};
    notify.response_type = XCB_SELECTION_NOTIFY;
    notify.time = request.time;
    notify.requestor = request.requestor;
    notify.selection = request.selection;
    notify.target = request.target;
    notify.property = given ? request.property : xcb_atom_t{XCB_ATOM_NONE};
    xcb_send_event(c, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&notify));
    xcb_flush(c);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s DISPLAY SELECTION mute|listing|answering|strict COUNT\n", argv[0]);
        return 2;
    }
    const std::string mode = argv[3];
    const int count = std::atoi(argv[4]);
    xcb_connection_t* c = xcb_connect(argv[1], nullptr);
    if (xcb_connection_has_error(c) != 0) {
        std::fprintf(stderr, "cannot connect to %s\n", argv[1]);
        return 1;
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t window = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                      XCB_COPY_FROM_PARENT, 0, nullptr);
    const xcb_atom_t selection = Atom(c, argv[2]);
    const xcb_atom_t targetsAtom = Atom(c, "TARGETS");
    std::vector<xcb_atom_t> targets;
    for (int i = 0; i < count; ++i) {
        targets.push_back(Atom(c, "application/x-hostile-" + std::to_string(i)));
    }
    xcb_set_selection_owner(c, window, selection, XCB_CURRENT_TIME);
    xcb_get_selection_owner_reply_t* owner =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr);
    const bool owning = owner != nullptr && owner->owner == window;
    std::free(owner);
    if (!owning) {
        std::fprintf(stderr, "did not get the selection\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    while (xcb_generic_event_t* event = xcb_wait_for_event(c)) {
        const uint8_t kind = event->response_type & 0x7F;
        if (kind == XCB_SELECTION_CLEAR) {
            std::free(event);
            return 0;
        }
        if (kind == XCB_SELECTION_REQUEST && mode != "mute") {
            auto* request = reinterpret_cast<xcb_selection_request_event_t*>(event);
            if (mode == "strict" && request->time == XCB_CURRENT_TIME) {
                Answer(c, *request, false);
            } else if (request->target == targetsAtom) {
                xcb_change_property(c, XCB_PROP_MODE_REPLACE, request->requestor, request->property, XCB_ATOM_ATOM, 32,
                                    static_cast<uint32_t>(targets.size()), targets.data());
                Answer(c, *request, true);
            } else if (mode == "answering" || mode == "strict") {
                xcb_change_property(c, XCB_PROP_MODE_REPLACE, request->requestor, request->property, request->target,
                                    8, 1, "x");
                Answer(c, *request, true);
            }
        }
        std::free(event);
    }
    return 0;
}
