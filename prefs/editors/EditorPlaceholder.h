#pragma once
// What an editor screen shows until its own content is built: the screen's white page with one
// short grey line near the top, so that opening it from the list is visible and harmless.
#include <string>

class UIViewController;

void showEditorPlaceholder(UIViewController& screen, const std::string& line);
