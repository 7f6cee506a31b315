"""Stand-in for PyTorch: only what the voice service asks of it."""

import os

float32 = "float32"
bfloat16 = "bfloat16"


class cuda:
    @staticmethod
    def is_available():
        return os.environ.get("SUSTITUTO_CUDA") == "1"
