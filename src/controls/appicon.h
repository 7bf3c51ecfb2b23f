#pragma once

class QIcon;

// The program's icon, for every window.
QIcon applicationIcon();
