#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <functional>

// Modal dialogs run their own event loop; a test drives one by asking, before the
// dialog opens, for a function to be run on it from inside that loop. The function gets
// the dialog that is modal at that moment (null when none of type T is open).
template <class T>
void WhenModal(std::function<void(T*)> drive) {
    QTimer::singleShot(0, qApp,
                       [drive] { drive(qobject_cast<T*>(QApplication::activeModalWidget())); });
}

// Counts the modal dialogs that open while f runs, closing each at once.
inline int ModalsOpenedDuring(const std::function<void()>& f) {
    int opened = 0;
    QTimer::singleShot(0, qApp, [&opened] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            ++opened;
            w->close();
        }
    });
    f();
    QCoreApplication::processEvents();
    return opened;
}
