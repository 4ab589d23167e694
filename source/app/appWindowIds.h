// The program's fixed window numbers (its window slots): the main window and the Record window.
#pragma once

enum AppWindowId { appMainWindowId = 1, appRecordWindowId = 2 };
