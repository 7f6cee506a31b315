#!/usr/bin/env python3
"""Servicio de voz local de Zuvi IA.

Con la voz natural instalada habla con Qwen3-TTS (el paquete qwen-tts sobre
PyTorch), clonando la voz de referencia, diseña voces nuevas a partir de una
descripción escrita y saca las huellas de voz con un modelo de hablantes de
sherpa-onnx. Sin ella habla con espeak-ng y las huellas son estadísticas de
MFCC. El audio sale a 24 kHz, float32, frase a frase.

Escucha solo en 127.0.0.1; anuncia "PUERTO=<n>", luego carga los modelos en
un hilo propio y anuncia "MOTOR=qwen3-tts" o "MOTOR=espeak-ng" y "LISTO".
Termina cuando su entrada estándar llega al final (la aplicación se fue).
Con --comprobar solo carga la voz natural, dice una frase y termina: 0 si
la voz natural habló.
"""

import base64
import gc
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import threading
import time
import unicodedata
import wave
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

import numpy as np

VOZ_DIR = os.environ.get("ZUVIIA_VOZ_DIR", os.getcwd())
TOKEN = os.environ.get("ZUVIIA_TOKEN", "")
HUELLAS = os.path.join(VOZ_DIR, "huellas")
DISENO = os.path.join(VOZ_DIR, "diseno.json")
DISENO_WAV = os.path.join(VOZ_DIR, "diseno.wav")
REFERENCIA = os.path.join(VOZ_DIR, "referencia.wav")
REFERENCIA_TXT = os.path.join(VOZ_DIR, "referencia.txt")
MODELO = os.environ.get("ZUVIIA_MODELO", "Qwen/Qwen3-TTS-12Hz-0.6B-Base")
MODELO_DISENO = os.environ.get("ZUVIIA_MODELO_DISENO", "Qwen/Qwen3-TTS-12Hz-1.7B-VoiceDesign")
MODELO_HUELLA = os.path.join(VOZ_DIR, "modelos", "huella_voz.onnx")
MOTOR_BASICO = "espeak-ng"
MOTOR_NEURAL = "qwen3-tts"
# Más que esto hasta la primera muestra ya se nota: se avisa una vez.
LENTA_MS = 500
FRASE_DISENO = "Hola, soy la zuvi. Cuéntame en qué proyecto trabajamos hoy y lo preparo enseguida."

TASA_SALIDA = 24000
TASA_HUELLA = 16000
MIN_MUESTRAS_HUELLA = 9600
# Similitud coseno mínima para decir quién habla. Medido con 11 voces de
# espeak-ng y 6 frases cada una: la misma voz con otra frase da 0,88 o más
# (mediana 0,95), otra voz da mediana 0,77. En 0,90 quedan fuera el 7 % de
# las voces ajenas y el 4 % de las propias: se prefiere "nadie" a
# atribuir la frase a otra persona.
UMBRAL_HUELLA = 0.90
# Las huellas del modelo de hablantes (CAM++) se comparan con el umbral de
# los ejemplos de sherpa-onnx.
UMBRAL_HUELLA_NEURAL = 0.6
UUID = re.compile(r"^[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}$")

VOZ_BASICA = {"region": "es-419", "variante": "", "tono": 50, "velocidad": 175}


class ErrorPeticion(Exception):
    def __init__(self, estado, texto):
        super().__init__(texto)
        self.estado = estado
        self.texto = texto


# --- Diseño de voz ---------------------------------------------------------

def plegar(texto):
    sin_marcas = "".join(c for c in unicodedata.normalize("NFD", texto.lower())
                         if unicodedata.category(c) != "Mn")
    return re.findall(r"[a-z]+", sin_marcas)


LATINA = "es-419"
ESPANA = "es"

# Frases (de una o dos palabras, plegadas) que fijan la región y el género
# de la voz, juntos cuando la palabra los dice juntos: "mexicano" no puede
# concordar con "voz", así que habla de un hombre; "mexicana" sí concuerda
# ("voz mexicana") y no dice el género. "español" a secas no dice región:
# por defecto la voz es latinoamericana.
RASGOS = {
    "espanol latinoamericano": {"region": LATINA}, "espanol latino": {"region": LATINA},
    "espanol neutro": {"region": LATINA}, "espanol de america": {"region": LATINA},
    "espanol de espana": {"region": ESPANA}, "espanol peninsular": {"region": ESPANA},
    "latinoamericana": {"region": LATINA}, "latinoamericano": {"region": LATINA, "genero": "m"},
    "latina": {"region": LATINA}, "latino": {"region": LATINA, "genero": "m"},
    "mexicana": {"region": LATINA, "acento": "mexicano"},
    "mexicano": {"region": LATINA, "genero": "m", "acento": "mexicano"},
    "chilena": {"region": LATINA, "acento": "chileno"},
    "chileno": {"region": LATINA, "genero": "m", "acento": "chileno"},
    "colombiana": {"region": LATINA, "acento": "colombiano"},
    "colombiano": {"region": LATINA, "genero": "m", "acento": "colombiano"},
    "peruana": {"region": LATINA, "acento": "peruano"},
    "peruano": {"region": LATINA, "genero": "m", "acento": "peruano"},
    "argentina": {"region": LATINA, "acento": "rioplatense"},
    "argentino": {"region": LATINA, "genero": "m", "acento": "rioplatense"},
    "uruguaya": {"region": LATINA, "acento": "rioplatense"},
    "uruguayo": {"region": LATINA, "genero": "m", "acento": "rioplatense"},
    "rioplatense": {"region": LATINA, "acento": "rioplatense"},
    "espanola": {"region": ESPANA}, "espana": {"region": ESPANA},
    "castellana": {"region": ESPANA}, "castellano": {"region": ESPANA},
    "madrilena": {"region": ESPANA}, "madrileno": {"region": ESPANA, "genero": "m"},
    "mujer": {"genero": "f"}, "femenina": {"genero": "f"}, "femenino": {"genero": "f"},
    "chica": {"genero": "f"}, "senora": {"genero": "f"}, "nina": {"genero": "f"},
    "abuela": {"genero": "f"},
    "hombre": {"genero": "m"}, "masculina": {"genero": "m"}, "masculino": {"genero": "m"},
    "chico": {"genero": "m"}, "senor": {"genero": "m"}, "nino": {"genero": "m"},
    "abuelo": {"genero": "m"},
}

PISTA_REGION = {LATINA: "Latin American Spanish accent", ESPANA: "Castilian Spanish accent from Spain"}
PISTA_ACENTO = {"mexicano": "Mexican", "chileno": "Chilean", "colombiano": "Colombian",
                "peruano": "Peruvian", "rioplatense": "Rioplatense (Argentina, Uruguay)"}
PISTA_GENERO = {"m": "male voice", "f": "female voice"}


def rasgos(descripcion):
    """Región, género y acento que dice la descripción; la región es
    latinoamericana si no dice otra. Las frases de dos palabras mandan
    sobre sus palabras sueltas."""
    palabras = plegar(descripcion)
    vistos = {}
    i = 0
    while i < len(palabras):
        par = " ".join(palabras[i:i + 2])
        if i + 1 < len(palabras) and par in RASGOS:
            vistos.update(RASGOS[par])
            i += 2
            continue
        vistos.update(RASGOS.get(palabras[i], {}))
        i += 1
    vistos.setdefault("region", LATINA)
    return vistos


def instruccion(descripcion):
    """La descripción del usuario, tal cual, más lo que la tabla entendió,
    dicho en inglés: el modelo de diseño sigue mejor esas indicaciones."""
    r = rasgos(descripcion)
    pistas = [PISTA_REGION[r["region"]]]
    if "acento" in r:
        pistas.append(PISTA_ACENTO[r["acento"]] + " accent")
    if "genero" in r:
        pistas.append(PISTA_GENERO[r["genero"]])
    return descripcion.strip() + " (" + ", ".join(pistas) + ".)"


def firma_referencia():
    """Identifica el archivo de referencia actual: al reponer la voz por
    defecto la aplicación lo copia de nuevo y la firma cambia."""
    try:
        st = os.stat(REFERENCIA)
        return [st.st_ino, st.st_mtime_ns, st.st_size]
    except OSError:
        return None


def diseno_vigente():
    """El texto de la voz diseñada, si sigue valiendo sobre la referencia."""
    try:
        with open(DISENO, encoding="utf-8") as f:
            guardado = json.load(f)
        if guardado.get("referencia") == firma_referencia() and os.path.isfile(DISENO_WAV):
            return guardado["texto"]
    except (OSError, ValueError, KeyError, TypeError, AttributeError):
        pass
    return None


def leer_wav(ruta):
    """Muestras float32 mono y su tasa, de un WAV PCM de 16 bits."""
    with wave.open(ruta, "rb") as w:
        canales, ancho, tasa = w.getnchannels(), w.getsampwidth(), w.getframerate()
        crudo = w.readframes(w.getnframes())
    if ancho != 2:
        raise ValueError("WAV de %d bytes por muestra" % ancho)
    x = np.frombuffer(crudo, dtype="<i2").astype(np.float32) / 32768.0
    if canales > 1:
        x = x.reshape(-1, canales).mean(axis=1)
    return x, tasa


def escribir_wav(ruta, muestras, tasa):
    x = np.clip(np.asarray(muestras, dtype=np.float32), -1.0, 1.0)
    temporal = ruta + ".tmp"
    with wave.open(temporal, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(int(tasa))
        w.writeframes((x * 32767.0).astype("<i2").tobytes())
    os.replace(temporal, ruta)


def a_24k(muestras, tasa):
    x = np.asarray(muestras, dtype=np.float32).reshape(-1)
    if tasa == TASA_SALIDA or len(x) == 0:
        return x.astype("<f4")
    n = int(round(len(x) * TASA_SALIDA / tasa))
    return np.interp(np.arange(n) * (tasa / TASA_SALIDA), np.arange(len(x)), x).astype("<f4")


def frases(texto):
    """El texto en frases, para que la primera suene mientras se generan
    las demás."""
    partes = re.split(r"(?<=[.!?…;:])\s+", texto.strip())
    return [p for p in partes if p.strip()]


# --- Habla -----------------------------------------------------------------

class Remuestreo:
    """22050 Hz a 24000 Hz por interpolación lineal, trozo a trozo y sin
    saltos entre trozos (147/160 es la razón exacta)."""

    def __init__(self):
        self.previa = None   # última muestra del trozo anterior
        self.base = 0        # índice global de la primera muestra del trozo
        self.k = 0           # próxima muestra de salida

    def trozo(self, x):
        if len(x) == 0:
            return np.zeros(0, dtype=np.float32)
        if self.previa is None:
            datos, inicio = x, self.base
        else:
            datos, inicio = np.concatenate(([self.previa], x)), self.base - 1
        fin = self.base + len(x) - 1
        k_fin = (fin * 160) // 147
        ks = np.arange(self.k, k_fin + 1)
        pos = ks * 147 / 160 - inicio
        salida = np.interp(pos, np.arange(len(datos)), datos).astype("<f4")
        self.k = k_fin + 1
        self.previa = x[-1]
        self.base += len(x)
        return salida


def espeak(texto, voz):
    nombre = voz["region"] + ("+" + voz["variante"] if voz["variante"] else "")
    return subprocess.Popen(
        ["espeak-ng", "-v", nombre, "-p", str(voz["tono"]), "-s", str(voz["velocidad"]),
         "--stdout", "--", texto],
        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL, bufsize=0)


def hablar_basica(texto, escribir):
    """Sintetiza con espeak-ng y entrega el audio a `escribir` a medida que sale."""
    proceso = espeak(texto, VOZ_BASICA)
    try:
        cabecera = b""
        while len(cabecera) < 44:
            leido = proceso.stdout.read(44 - len(cabecera))
            if not leido:
                return
            cabecera += leido
        remuestreo = Remuestreo()
        resto = b""
        while True:
            leido = proceso.stdout.read(4096)
            if not leido:
                break
            datos = resto + leido
            par = len(datos) & ~1
            resto = datos[par:]
            muestras = np.frombuffer(datos[:par], dtype="<i2").astype(np.float32) / 32768.0
            escribir(remuestreo.trozo(muestras).tobytes())
    finally:
        proceso.kill()
        proceso.wait()


class Neural:
    """Qwen3-TTS: el modelo base clona la voz de referencia (o la diseñada);
    el de diseño se carga solo para diseñar y se suelta después, porque
    ocupa varios GB."""

    def __init__(self):
        import torch
        from qwen_tts import Qwen3TTSModel
        self.clase = Qwen3TTSModel
        if torch.cuda.is_available():
            self.opciones = {"device_map": "cuda:0", "dtype": torch.bfloat16}
        else:
            self.opciones = {"device_map": "cpu", "dtype": torch.float32}
        self.modelo = Qwen3TTSModel.from_pretrained(MODELO, **self.opciones)
        # El modelo no admite dos generaciones a la vez.
        self.cerrojo = threading.Lock()
        self.clave = None
        self.prompt = None
        self.lenta_avisada = False

    def _referencia(self):
        """El audio y el texto que se clonan: la voz diseñada mientras valga,
        si no la referencia que dejó la aplicación."""
        texto = diseno_vigente()
        if texto is not None:
            return DISENO_WAV, texto
        try:
            with open(REFERENCIA_TXT, encoding="utf-8") as f:
                texto = f.read().strip()
        except OSError:
            texto = ""
        return REFERENCIA, texto

    def _prompt(self):
        ruta, texto = self._referencia()
        try:
            st = os.stat(ruta)
            clave = (ruta, st.st_ino, st.st_mtime_ns, st.st_size, texto)
        except OSError:
            raise ErrorPeticion(500, "Falta la voz de referencia.")
        if clave != self.clave:
            # Sin transcripción solo se usa el timbre del hablante.
            self.prompt = self.modelo.create_voice_clone_prompt(
                ref_audio=leer_wav(ruta), ref_text=texto or None, x_vector_only_mode=not texto)
            self.clave = clave
        return self.prompt

    def hablar(self, texto, escribir):
        inicio = time.monotonic()
        primera = True
        for frase in frases(texto):
            with self.cerrojo:
                prompt = self._prompt()
                wavs, tasa = self.modelo.generate_voice_clone(
                    text=frase, language="Spanish", voice_clone_prompt=prompt)
            if primera:
                primera = False
                self._medir(int((time.monotonic() - inicio) * 1000))
            escribir(a_24k(wavs[0], tasa).tobytes())

    def _medir(self, ms):
        if ms > LENTA_MS and not self.lenta_avisada:
            self.lenta_avisada = True
            anunciar("LENTA=%d" % ms)

    def disenar(self, descripcion):
        """Genera una frase con la voz descrita y la deja como voz que se
        clona, atada a la referencia actual."""
        with self.cerrojo:
            disenador = self.clase.from_pretrained(MODELO_DISENO, **self.opciones)
            try:
                wavs, tasa = disenador.generate_voice_design(
                    text=FRASE_DISENO, instruct=instruccion(descripcion), language="Spanish")
            finally:
                del disenador
                gc.collect()
            escribir_wav(DISENO_WAV, wavs[0], tasa)
            temporal = DISENO + ".tmp"
            with open(temporal, "w", encoding="utf-8") as f:
                json.dump({"texto": FRASE_DISENO, "descripcion": descripcion,
                           "referencia": firma_referencia()}, f, ensure_ascii=False)
            os.replace(temporal, DISENO)
            self.clave = None


# --- Huellas de voz --------------------------------------------------------

def _banco_mel(n_fft, tasa, n_filtros):
    mel = lambda f: 2595.0 * np.log10(1.0 + f / 700.0)
    hz = lambda m: 700.0 * (10 ** (m / 2595.0) - 1.0)
    puntos = hz(np.linspace(mel(60.0), mel(tasa / 2 - 200.0), n_filtros + 2))
    bins = np.floor((n_fft + 1) * puntos / tasa).astype(int)
    banco = np.zeros((n_filtros, n_fft // 2 + 1))
    for i in range(1, n_filtros + 1):
        a, b, c = bins[i - 1], bins[i], bins[i + 1]
        if b > a:
            banco[i - 1, a:b] = (np.arange(a, b) - a) / (b - a)
        if c > b:
            banco[i - 1, b:c] = (c - np.arange(b, c)) / (c - b)
    return banco


N_FFT, VENTANA, SALTO, N_MEL, N_CEPS = 512, 400, 160, 32, 20
BANCO = _banco_mel(N_FFT, TASA_HUELLA, N_MEL)
DCT = np.cos(np.pi / N_MEL * (np.arange(N_MEL) + 0.5)[None, :] * np.arange(N_CEPS)[:, None])


def huella_mfcc(audio):
    """Estadísticas de MFCC de los tramos con voz: media y desvío de los
    coeficientes 1 a 19 y de sus deltas, cada bloque a norma 1."""
    x = np.asarray(audio, dtype=np.float64)
    x = np.append(x[0], x[1:] - 0.97 * x[:-1])
    n = 1 + (len(x) - VENTANA) // SALTO
    if n < 10:
        return None
    idx = np.arange(VENTANA)[None, :] + SALTO * np.arange(n)[:, None]
    tramas = x[idx] * np.hamming(VENTANA)
    energia = np.sum(tramas ** 2, axis=1)
    voz = energia > max(energia.max() * 1e-3, 1e-10)
    if voz.sum() < 10:
        return None
    espectro = np.abs(np.fft.rfft(tramas[voz], N_FFT)) ** 2
    ceps = np.log(espectro @ BANCO.T + 1e-10) @ DCT.T
    ceps = ceps[:, 1:]
    deltas = np.diff(ceps, axis=0)
    partes = [ceps.mean(axis=0), ceps.std(axis=0), deltas.std(axis=0)]
    partes = [p / (np.linalg.norm(p) + 1e-12) for p in partes]
    return np.concatenate(partes).astype(np.float32)


class HuellaMfcc:
    nombre = "mfcc"
    umbral = UMBRAL_HUELLA

    def huella(self, audio):
        return huella_mfcc(audio)


class HuellaNeural:
    """Huellas de un modelo de hablantes (CAM++) con sherpa-onnx."""
    nombre = "sherpa-onnx"
    umbral = UMBRAL_HUELLA_NEURAL

    def __init__(self, ruta):
        import sherpa_onnx
        config = sherpa_onnx.SpeakerEmbeddingExtractorConfig(model=ruta, num_threads=1, provider="cpu")
        if not config.validate():
            raise ValueError("modelo de huellas no válido: " + ruta)
        self.extractor = sherpa_onnx.SpeakerEmbeddingExtractor(config)
        self.cerrojo = threading.Lock()

    def huella(self, audio):
        with self.cerrojo:
            flujo = self.extractor.create_stream()
            flujo.accept_waveform(sample_rate=TASA_HUELLA, waveform=np.asarray(audio, dtype=np.float32))
            flujo.input_finished()
            if not self.extractor.is_ready(flujo):
                return None
            return np.asarray(self.extractor.compute(flujo), dtype=np.float32)


def similitud(a, b):
    return float(np.dot(a, b) / (np.linalg.norm(a) * np.linalg.norm(b) + 1e-12))


def audio_de(cuerpo):
    try:
        crudo = base64.b64decode(cuerpo.get("audio", ""), validate=True)
    except (ValueError, TypeError):
        raise ErrorPeticion(400, "El audio no es base64 válido.")
    if len(crudo) % 4:
        raise ErrorPeticion(400, "El audio no son muestras de 4 bytes.")
    muestras = np.frombuffer(crudo, dtype="<f4")
    if len(muestras) < MIN_MUESTRAS_HUELLA or not np.all(np.isfinite(muestras)):
        raise ErrorPeticion(400, "El audio es muy corto o no es válido.")
    return muestras


def uuid_de(valor):
    if not isinstance(valor, str) or not UUID.match(valor):
        raise ErrorPeticion(400, "Identificador no válido.")
    return valor.upper()


def registrar(cuerpo, huellas):
    ident = uuid_de(cuerpo.get("id"))
    vector = huellas.huella(audio_de(cuerpo))
    if vector is None:
        return {"ok": False}
    os.makedirs(HUELLAS, exist_ok=True)
    destino = os.path.join(HUELLAS, ident + ".npz")
    temporal = os.path.join(HUELLAS, "." + ident + ".tmp.npz")
    np.savez(temporal, huella=vector, motor=np.array(huellas.nombre))
    os.replace(temporal, destino)
    return {"ok": True}


def identificar(cuerpo, huellas):
    candidatos = cuerpo.get("candidatos")
    if not isinstance(candidatos, list):
        raise ErrorPeticion(400, "Faltan los candidatos.")
    vector = huellas.huella(audio_de(cuerpo))
    mejor, puntaje = None, -1.0
    if vector is not None:
        for candidato in candidatos:
            ident = uuid_de(candidato)
            try:
                with np.load(os.path.join(HUELLAS, ident + ".npz")) as datos:
                    guardada = datos["huella"]
                    motor = str(datos["motor"]) if "motor" in datos.files else HuellaMfcc.nombre
            except (OSError, KeyError, ValueError):
                continue
            # Una huella de otro motor no se puede comparar.
            if motor != huellas.nombre or guardada.shape != vector.shape:
                continue
            s = similitud(vector, guardada)
            if s > puntaje:
                mejor, puntaje = ident, s
    if mejor is None:
        return {}
    if puntaje < huellas.umbral:
        return {"puntaje": puntaje}
    return {"id": mejor, "puntaje": puntaje}


# --- HTTP ------------------------------------------------------------------

class Manejador(BaseHTTPRequestHandler):
    # HTTP/1.1 con /hablar en trozos: si el servicio muere a mitad de la
    # frase falta el último trozo y el cliente lo ve como un fallo, no como
    # el final del audio. Una conexión por petición: una respuesta de error
    # puede dejar el cuerpo sin leer.
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    enviado = False

    def responder(self, estado, objeto):
        datos = json.dumps(objeto, ensure_ascii=False, separators=(",", ":")).encode("utf-8")
        self.send_response(estado)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(datos)))
        self.send_header("Connection", "close")
        self.close_connection = True
        self.end_headers()
        self.wfile.write(datos)

    def cuerpo(self):
        try:
            largo = int(self.headers.get("Content-Length", "0"))
            objeto = json.loads(self.rfile.read(largo).decode("utf-8")) if largo > 0 else None
        except (ValueError, UnicodeDecodeError):
            raise ErrorPeticion(400, "El cuerpo no es JSON válido.")
        if not isinstance(objeto, dict):
            raise ErrorPeticion(400, "El cuerpo debe ser un objeto JSON.")
        return objeto

    def do_GET(self):
        self.responder(403 if self.headers.get("X-ZuviIA-Token") != TOKEN else 405,
                       {"error": "Método no permitido."})

    def do_POST(self):
        if not TOKEN or self.headers.get("X-ZuviIA-Token") != TOKEN:
            self.responder(403, {"error": "Token no válido."})
            return
        try:
            cuerpo = self.cuerpo()
            if self.path == "/hablar":
                self.hablar(cuerpo)
            elif self.path == "/disenar":
                self.responder(200, disenar(cuerpo))
            elif self.path == "/huella/registrar":
                MOTORES.cargado.wait()
                self.responder(200, registrar(cuerpo, MOTORES.huellas))
            elif self.path == "/huella/identificar":
                MOTORES.cargado.wait()
                self.responder(200, identificar(cuerpo, MOTORES.huellas))
            else:
                self.responder(404, {"error": "Ruta desconocida."})
        except ErrorPeticion as e:
            self.responder(e.estado, {"error": e.texto})
        except (BrokenPipeError, ConnectionResetError):
            pass
        except Exception:
            # Cabeceras ya enviadas (en /hablar): cerrar sin el último trozo
            # es lo que el cliente lee como un fallo.
            if not self.enviado:
                self.responder(500, {"error": "La voz natural falló. Inténtalo de nuevo."})

    def hablar(self, cuerpo):
        texto = cuerpo.get("texto")
        if not isinstance(texto, str) or not texto.strip():
            raise ErrorPeticion(400, "Falta el texto.")
        MOTORES.cargado.wait()
        self.enviado = True
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Transfer-Encoding", "chunked")
        self.send_header("Connection", "close")
        self.close_connection = True
        self.end_headers()
        self.wfile.flush()

        def escribir(datos):
            # Un trozo vacío cerraría el cuerpo antes de tiempo.
            if datos:
                self.wfile.write(b"%X\r\n" % len(datos) + datos + b"\r\n")
                self.wfile.flush()
        if MOTORES.neural is not None:
            MOTORES.neural.hablar(texto, escribir)
        else:
            hablar_basica(texto, escribir)
        # Solo una síntesis que terminó bien cierra el cuerpo.
        self.wfile.write(b"0\r\n\r\n")
        self.wfile.flush()


def disenar(cuerpo):
    descripcion = cuerpo.get("descripcion")
    if not isinstance(descripcion, str) or not descripcion.strip():
        raise ErrorPeticion(400, "Falta la descripción de la voz.")
    MOTORES.cargado.wait()
    if MOTORES.neural is None:
        raise ErrorPeticion(422, "Diseñar voz necesita la voz natural instalada.")
    try:
        MOTORES.neural.disenar(descripcion)
    except ErrorPeticion:
        raise
    except Exception:
        raise ErrorPeticion(500, "No se pudo diseñar la voz: el modelo de diseño no cargó. Reinstala la voz natural.")
    return {"ok": True, "rasgos": rasgos(descripcion)}


_salida = threading.Lock()


def anunciar(linea):
    with _salida:
        sys.stdout.write(linea + "\n")
        sys.stdout.flush()


class Motores:
    """Lo que habla y lo que saca huellas: lo neural cuando carga, si no lo
    básico. Se carga en un hilo propio mientras el puerto ya escucha."""

    def __init__(self):
        self.cargado = threading.Event()
        self.neural = None
        self.huellas = HuellaMfcc()

    def cargar(self):
        try:
            self.neural = Neural()
        except Exception:
            self.neural = None
        if os.path.isfile(MODELO_HUELLA):
            try:
                self.huellas = HuellaNeural(MODELO_HUELLA)
            except Exception:
                pass
        self.cargado.set()

    def nombre(self):
        return MOTOR_NEURAL if self.neural is not None else MOTOR_BASICO


MOTORES = Motores()


class Servidor(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = False


def vigilar_entrada():
    # La aplicación nunca escribe: el final de la entrada significa que se fue.
    try:
        while sys.stdin.buffer.read(4096):
            pass
    except OSError:
        pass
    os._exit(0)


def comprobar():
    """La prueba del instalador: la voz natural carga y habla."""
    print("Cargando la voz natural…", flush=True)
    try:
        neural = Neural()
    except Exception as e:
        print("✗ La voz natural no se pudo cargar (%s). Vuelve a instalarla." % type(e).__name__)
        return 1
    neural.lenta_avisada = True
    inicio = time.monotonic()
    medida = {"primera": None, "muestras": 0}

    def escribir(datos):
        if medida["primera"] is None:
            medida["primera"] = int((time.monotonic() - inicio) * 1000)
        medida["muestras"] += len(datos) // 4
    try:
        neural.hablar("Hola, soy la zuvi.", escribir)
    except Exception as e:
        print("✗ La voz natural cargó pero no pudo hablar (%s). Vuelve a instalarla." % type(e).__name__)
        return 1
    if not medida["muestras"]:
        print("✗ La voz natural no produjo audio. Vuelve a instalarla.")
        return 1
    print("La voz natural habló: la primera muestra tardó %d ms." % medida["primera"])
    if medida["primera"] > LENTA_MS:
        print("Aviso: en este computador la voz natural tarda más de medio segundo en empezar a hablar; "
              "la voz básica (espeak-ng) responde antes.")
    if os.path.isfile(MODELO_HUELLA):
        try:
            HuellaNeural(MODELO_HUELLA)
        except Exception:
            print("Aviso: el modelo de huellas de voz no cargó; las huellas usarán la voz básica.")
    return 0


def cargar_y_anunciar():
    MOTORES.cargar()
    anunciar("MOTOR=" + MOTORES.nombre())
    anunciar("LISTO")


def main():
    if sys.argv[1:] == ["--comprobar"]:
        sys.exit(comprobar())
    if shutil.which("espeak-ng") is None:
        sys.exit(1)
    os.makedirs(HUELLAS, exist_ok=True)
    signal.signal(signal.SIGTERM, lambda *_: os._exit(0))
    servidor = Servidor(("127.0.0.1", 0), Manejador)
    threading.Thread(target=vigilar_entrada, daemon=True).start()
    anunciar("PUERTO=%d" % servidor.server_address[1])
    threading.Thread(target=cargar_y_anunciar, daemon=True).start()
    servidor.serve_forever()


if __name__ == "__main__":
    main()
