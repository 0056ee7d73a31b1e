// SPDX-License-Identifier: MIT
#include "reader_thread.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <future>
#include <thread>

namespace tagwright::shell {

namespace {

ReaderThread* g_current = nullptr;

bool OnWindowThread() {
    const QCoreApplication* application = QCoreApplication::instance();
    return application != nullptr && QThread::currentThread() == application->thread();
}

}  // namespace

struct ReaderTable {
    static const reader::ReaderApi& Real() {
        return g_current != nullptr ? g_current->real_ : reader::Reader();
    }

    // One entry of the table: the library's own entry point, called on the reader thread.
    template <auto Entry, class Function>
    struct Hop;
    template <auto Entry, class Result, class... Args>
    struct Hop<Entry, Result(CARDHOST_CALL*)(Args...)> {
        static Result CARDHOST_CALL Call(Args... args) {
            const reader::ReaderApi& real = Real();
            Result result{};
            ReaderThread::Run([&] { result = (real.*Entry)(args...); });
            return result;
        }
    };

    static reader::ReaderApi Make() {
        reader::ReaderApi table;
#define TW_READER_ENTRY(name) table.name = &Hop<&reader::ReaderApi::name, decltype(&::name)>::Call;
#include "reader/reader_entries.inc"
#undef TW_READER_ENTRY
        return table;
    }
};

ReaderThread::ReaderThread(const reader::ReaderApi& real) : real_(real), worker_(new QObject) {
    thread_.setObjectName(QStringLiteral("reader"));
    worker_->moveToThread(&thread_);
    thread_.start();
    g_current = this;
}

ReaderThread::~ReaderThread() {
    if (g_current == this) g_current = nullptr;
    thread_.quit();
    thread_.wait();
    delete worker_;
}

const reader::ReaderApi& ReaderThread::Api() {
    static const reader::ReaderApi table = ReaderTable::Make();
    return table;
}

bool ReaderThread::InCall() {
    return g_current != nullptr && g_current->depth_ > 0;
}

void ReaderThread::Run(const std::function<void()>& call) {
    ReaderThread* self = g_current;
    if (self == nullptr || !self->live_ || !OnWindowThread()) {
        call();
        return;
    }
    std::promise<void> finished;
    std::future<void> done = finished.get_future();
    if (self->depth_ > 0) {
        // Made from an event handled while another call is under way: it waits behind that one,
        // without a second event loop of its own.
        QMetaObject::invokeMethod(
            self->worker_,
            [&] {
                call();
                finished.set_value();
            },
            Qt::QueuedConnection);
        done.wait();
        return;
    }
    ++self->depth_;
    QEventLoop loop;
    QMetaObject::invokeMethod(
        self->worker_,
        [&] {
            call();
            // Posted before the result is announced: the loop is not gone while it is posted.
            QMetaObject::invokeMethod(
                &loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
            finished.set_value();
        },
        Qt::QueuedConnection);
    loop.exec();
    done.wait();  // the loop may have been ended by someone else
    --self->depth_;
}

void ReaderThread::Pause(std::chrono::milliseconds duration) {
    if (g_current == nullptr || !g_current->live_ || g_current->depth_ > 0 || !OnWindowThread()) {
        std::this_thread::sleep_for(duration);
        return;
    }
    QEventLoop loop;
    QTimer::singleShot(duration, Qt::PreciseTimer, &loop, [&loop] { loop.quit(); });
    loop.exec();
}

}  // namespace tagwright::shell
