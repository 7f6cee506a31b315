// A stand-in for libvosk whose model takes as long as the test says: it
// notes "cargando" in the model folder and waits for a file "soltar" there
// (10 s at most) before the model exists. Its recognizer hears "hola mundo".
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace {
int modelo, reconocedor;
}

extern "C" {

void* vosk_model_new(const char* ruta)
{
    const std::filesystem::path carpeta(ruta);
    std::ofstream(carpeta / "cargando").put('1');
    const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!std::filesystem::exists(carpeta / "soltar") && std::chrono::steady_clock::now() < limite)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::ofstream(carpeta / "cargado").put('1');
    return &modelo;
}
void vosk_model_free(void*) {}
void* vosk_recognizer_new(void*, float) { return &reconocedor; }
void vosk_recognizer_free(void*) {}
int vosk_recognizer_accept_waveform_f(void*, const float*, int) { return 0; }
const char* vosk_recognizer_result(void*) { return "{\"text\":\"hola mundo\"}"; }
const char* vosk_recognizer_partial_result(void*) { return "{\"partial\":\"hola\"}"; }
const char* vosk_recognizer_final_result(void*) { return "{\"text\":\"hola mundo\"}"; }
void vosk_set_log_level(int) {}
}
