// The command IDs of the main window's command bar and menus. CheckEditMenuItem finds a menu
// item by its ID, and each action carries its ID as its data.
#pragma once

namespace tarnwick {

enum CommandId : int {
    ID_CONNECT = 32795,
    ID_DISCONNECT = 32796,
    ID_EDIT = 32801,
    ID_SETTINGS = 32797,
    ID_EXIT = 32798,
    // 編集 menu
    ID_MODE_AUTO = 32792,
    ID_MODE_TEXT = 32800,
    ID_MODE_BINARY = 32794,
    ID_OPEN = 32790,
    ID_CREATE_DIR = 32791,
    ID_DELETE = 32789,
    ID_ATTRIB = 32799,
    ID_MOVE = 32810,
    ID_RENAME = 32811,
    // context menu
    ID_CONTEXT_OPEN = 32805,
    ID_CONTEXT_CREATE_DIR = 32807,
    ID_CONTEXT_DELETE = 32808,
    ID_CONTEXT_ATTRIB = 32806,
    ID_CONTEXT_RENAME = 32812,
};

} // namespace tarnwick
