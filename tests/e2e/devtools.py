"""The engine's remote-debugging port: the DevTools protocol over a WebSocket."""

import json
import urllib.request

import websocket

from processes import poll

DEBUG_PORT = 7788


def connect(page, timeout=10):
    """A WebSocket to a page (an entry of /json)."""
    return websocket.create_connection(page["webSocketDebuggerUrl"], timeout=timeout,
                                       suppress_origin=True)


def debug_targets(timeout=2):
    with urllib.request.urlopen("http://127.0.0.1:%d/json" % DEBUG_PORT, timeout=timeout) as r:
        return json.loads(r.read().decode("utf-8"))


def debug_pages():
    try:
        return [t for t in debug_targets() if t.get("type") == "page"]
    except (OSError, ValueError):
        return []


def evaluate(page, expression, timeout=10, user_gesture=False):
    """Evaluates expression in a page (an entry of /json) and returns its value; with
    user_gesture, as if the user had just clicked."""
    try:
        ws = connect(page, timeout)
        try:
            ws.send(json.dumps({"id": 1, "method": "Runtime.evaluate", "params": {
                "expression": expression, "returnByValue": True, "awaitPromise": True,
                "userGesture": user_gesture}}))
            while True:
                reply = json.loads(ws.recv())
                if reply.get("id") == 1:
                    break
        finally:
            ws.close()
    except websocket.WebSocketException as error:
        # Callers wait through a page that goes away as through a refused connection.
        raise ConnectionError(error) from error
    if "error" in reply:
        raise RuntimeError("evaluate failed: %s" % reply["error"])
    result = reply["result"]
    if "exceptionDetails" in result:
        raise RuntimeError("script threw: %s" % result["exceptionDetails"])
    return result["result"].get("value")


def navigate(page, url, timeout=15):
    """Loads url in the page as a link would, and waits for the new document to be complete."""
    evaluate(page, "window.__vtLeft = true; location.href = %s; true" % json.dumps(url))

    def arrived():
        try:
            return evaluate(page, "window.__vtLeft === undefined && "
                                  "document.readyState === 'complete'", timeout=2)
        except (RuntimeError, OSError):
            return False
    poll(arrived, timeout, description="a new document after loading " + url)
