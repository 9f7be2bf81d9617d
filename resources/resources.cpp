// The pictures reach this library through qt_add_resources; a static library still needs a
// source of its own.
