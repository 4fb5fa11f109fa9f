#include "src/key_events.h"

#include <QKeyEvent>

namespace {

int virtualKeyCode(int key, bool keypad) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z) {
        return key;
    }
    if (key >= Qt::Key_0 && key <= Qt::Key_9) {
        return keypad ? VK_NUMPAD0 + (key - Qt::Key_0) : key;
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) {
        return VK_F1 + (key - Qt::Key_F1);
    }
    switch (key) {
        case Qt::Key_Escape:
            return VK_ESCAPE;
        case Qt::Key_Left:
            return VK_LEFT;
        case Qt::Key_Right:
            return VK_RIGHT;
        // One key carries "=" and "+" on most layouts; the keypad has its own.
        case Qt::Key_Plus:
            return keypad ? VK_ADD : VK_OEM_PLUS;
        case Qt::Key_Equal:
            return VK_OEM_PLUS;
        case Qt::Key_Minus:
            return keypad ? VK_SUBTRACT : VK_OEM_MINUS;
        case Qt::Key_Underscore:
            return VK_OEM_MINUS;
        default:
            return 0;
    }
}

}  // namespace

CefKeyEvent toCefKeyEvent(const QKeyEvent &event) {
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    const bool keypad = modifiers & Qt::KeypadModifier;
    CefKeyEvent result;
    result.type = KEYEVENT_RAWKEYDOWN;
    if (modifiers & Qt::ShiftModifier) {
        result.modifiers |= EVENTFLAG_SHIFT_DOWN;
    }
    if (modifiers & Qt::ControlModifier) {
        result.modifiers |= EVENTFLAG_CONTROL_DOWN;
    }
    if (modifiers & Qt::AltModifier) {
        result.modifiers |= EVENTFLAG_ALT_DOWN;
    }
    if (keypad) {
        result.modifiers |= EVENTFLAG_IS_KEY_PAD;
    }
    result.windows_key_code = virtualKeyCode(event.key(), keypad);
    result.native_key_code = static_cast<int>(event.nativeScanCode());
    result.is_system_key = (modifiers & Qt::AltModifier) ? 1 : 0;
    const QString text = event.text();
    if (!text.isEmpty()) {
        result.character = text.at(0).unicode();
        result.unmodified_character = result.character;
    }
    return result;
}
