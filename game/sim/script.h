// Scenario scripts for the runner: one event a line, "P <event...>", where P is the 0-based pass
// before whose update the event arrives; "#" starts a comment.
//
//   P key down CODE | P key up CODE | P char CODE
//   P mouse down B X Y | P mouse up B X Y | P mouse move X Y
//   P joy U axis I V | P joy U button I 0|1 | P joy U unplug
//   P suspend | P resume | P resize W H
//   P set NAME VALUE   (an int or float field of the game, or a module global, set before the update)
#pragma once

#include <string>
#include <vector>

struct SimEvent {
    enum Kind {
        KeyDown,
        KeyUp,
        Char,
        MouseDown,
        MouseUp,
        MouseMove,
        JoyAxis,
        JoyButton,
        JoyUnplug,
        Suspend,
        Resume,
        Resize,
        Set
    };
    int pass = 0;
    Kind kind = KeyDown;
    int a = 0, b = 0;    // key or character code, button, unit, width
    float x = 0, y = 0;  // pointer position, axis value; y also the height of a resize
    int index = 0;       // axis or button index of a joystick event
    std::string name;    // the field a set line writes; its value is in x (and a, when whole)
};

// Parses a script; on an error returns false with a message naming the line. A set line's name is
// checked by known_name, which says whether the name is an int or float field (1 int, 2 float, 0
// neither); an int field takes only a whole number.
bool sim_parse_script(const std::string& text, std::vector<SimEvent>* events, std::string* error,
                      int (*known_name)(const std::string& name) = nullptr);
