"""Stand-in for qwen-tts's Qwen3TTSModel with a known tone for a voice."""

import json
import os
import time
from dataclasses import dataclass
from typing import Optional

import numpy as np

TASA = 24000


def _notar(objeto):
    with open(os.path.join(os.environ.get("ZUVIIA_VOZ_DIR", "."), "sustituto.jsonl"), "a") as f:
        f.write(json.dumps(objeto, ensure_ascii=False) + "\n")


def _tono(frecuencia, caracteres):
    n = int(TASA * 0.06 * max(1, caracteres))
    t = np.arange(n) / TASA
    return (0.5 * np.sin(2 * np.pi * frecuencia * t)).astype(np.float32)


@dataclass
class VoiceClonePromptItem:
    ref_code: Optional[object]
    ref_spk_embedding: object
    x_vector_only_mode: bool
    icl_mode: bool
    ref_text: Optional[str] = None


class Qwen3TTSModel:
    def __init__(self, nombre):
        self.nombre = nombre
        self.tipo = "voice_design" if "VoiceDesign" in nombre else "base"

    @classmethod
    def from_pretrained(cls, pretrained_model_name_or_path, **kwargs):
        if os.path.exists(os.path.join(os.environ.get("ZUVIIA_VOZ_DIR", "."), "sin-pesos")):
            raise OSError("We couldn't connect to 'https://huggingface.co' to load the files, and couldn't find "
                          "them in the cached files.")
        _notar({"cargado": pretrained_model_name_or_path, "device_map": kwargs.get("device_map"),
                "dtype": kwargs.get("dtype")})
        return cls(pretrained_model_name_or_path)

    def create_voice_clone_prompt(self, ref_audio, ref_text=None, x_vector_only_mode=False):
        if self.tipo != "base":
            raise ValueError("does not support create_voice_clone_prompt")
        if not x_vector_only_mode and not ref_text:
            raise ValueError("ref_text is required when x_vector_only_mode=False")
        if not (isinstance(ref_audio, tuple) and len(ref_audio) == 2 and isinstance(ref_audio[0], np.ndarray)):
            raise TypeError("Unsupported audio input type: %s" % type(ref_audio))
        wav, tasa = ref_audio
        espectro = np.abs(np.fft.rfft(wav))
        espectro[0] = 0
        frecuencia = float(np.argmax(espectro)) * tasa / len(wav)
        return [VoiceClonePromptItem(None, frecuencia, bool(x_vector_only_mode), not x_vector_only_mode, ref_text)]

    def generate_voice_clone(self, text, language=None, ref_audio=None, ref_text=None, x_vector_only_mode=False,
                             voice_clone_prompt=None, non_streaming_mode=False, **kwargs):
        if voice_clone_prompt is None:
            voice_clone_prompt = self.create_voice_clone_prompt(ref_audio, ref_text, x_vector_only_mode)
        demora = int(os.environ.get("SUSTITUTO_DEMORA_MS", "0"))
        if demora:
            time.sleep(demora / 1000.0)
        return [_tono(voice_clone_prompt[0].ref_spk_embedding, len(text))], TASA

    def generate_voice_design(self, text, instruct, language=None, non_streaming_mode=True, **kwargs):
        if self.tipo != "voice_design":
            raise ValueError("does not support generate_voice_design")
        _notar({"instruct": instruct, "language": language})
        return [_tono(150 + sum(map(ord, instruct)) % 300, len(text))], TASA
