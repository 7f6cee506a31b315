#pragma once

#include "comun/PulsePrueba.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <ctime>
#include <numbers>
#include <thread>
#include <vector>

// Writes a 48 kHz mono float sine into the test server's pipe microphone on
// its own thread, in real time, until destroyed.
class EscritorTuberia {
public:
    explicit EscritorTuberia(float amplitud, double hz = 440)
    {
        hilo_ = std::thread([this, amplitud, hz] {
            const int fd = PulsePrueba::abrirTuberiaMicrofono();
            if (fd < 0)
                return;
            std::vector<float> trozo(480); // 10 ms
            long n = 0;
            auto siguiente = std::chrono::steady_clock::now();
            while (!parar_) {
                for (float& m : trozo)
                    m = amplitud * float(std::sin(2 * std::numbers::pi * hz * double(n++) / 48000.0));
                if (::write(fd, trozo.data(), trozo.size() * sizeof(float)) < 0)
                    break;
                timespec t{};
                clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
                cpu_ = double(t.tv_sec) + double(t.tv_nsec) / 1e9;
                siguiente += std::chrono::milliseconds(10);
                std::this_thread::sleep_until(siguiente);
            }
            ::close(fd);
        });
    }
    ~EscritorTuberia()
    {
        parar_ = true;
        hilo_.join();
    }

    // CPU time the writer itself has used, so a benchmark can leave it out.
    double segundosCpu() const { return cpu_; }

private:
    std::atomic<bool> parar_ = false;
    std::atomic<double> cpu_ = 0;
    std::thread hilo_;
};
