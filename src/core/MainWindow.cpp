#include "core/MainWindow.h"

MainWindow::~MainWindow() = default;

void MainWindow::setStatusText(const QString& text) { m_statusText = text; }
