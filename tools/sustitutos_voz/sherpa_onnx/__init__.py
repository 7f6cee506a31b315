"""Stand-in for sherpa-onnx's speaker embedding extractor."""

import os

import numpy as np


class SpeakerEmbeddingExtractorConfig:
    def __init__(self, model="", num_threads=1, debug=False, provider="cpu"):
        self.model = model
        self.num_threads = num_threads
        self.debug = debug
        self.provider = provider

    def validate(self):
        return os.path.isfile(self.model)


class OnlineStream:
    def __init__(self):
        self.muestras = np.zeros(0, dtype=np.float32)
        self.terminado = False

    def accept_waveform(self, sample_rate, waveform):
        self.tasa = sample_rate
        self.muestras = np.concatenate([self.muestras, np.asarray(waveform, dtype=np.float32)])

    def input_finished(self):
        self.terminado = True


class SpeakerEmbeddingExtractor:
    dim = 32

    def __init__(self, config):
        if not config.validate():
            raise ValueError("invalid config")

    def create_stream(self):
        return OnlineStream()

    def is_ready(self, stream):
        return stream.terminado and len(stream.muestras) >= 8000

    def compute(self, stream):
        x = stream.muestras
        tramas = x[: len(x) // 512 * 512].reshape(-1, 512)
        espectro = np.abs(np.fft.rfft(tramas * np.hanning(512), axis=1)) ** 2
        bandas = np.array_split(espectro.mean(axis=0)[1:], self.dim)
        energia = np.log(np.array([b.sum() for b in bandas]) + 1e-10)
        return list(energia - energia.mean())
