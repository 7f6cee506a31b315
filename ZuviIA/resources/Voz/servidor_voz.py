#!/usr/bin/env python3
"""Servicio de voz local de Zuvi IA.

Habla español con espeak-ng (24 kHz, float32, en flujo), cambia la voz a
partir de una descripción escrita y registra e identifica huellas de voz.
Escucha solo en 127.0.0.1; anuncia "PUERTO=<n>" y "LISTO" por su salida y
termina cuando su entrada estándar llega al final (la aplicación se fue).
"""

import base64
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import threading
import unicodedata
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

import numpy as np

VOZ_DIR = os.environ.get("ZUVIIA_VOZ_DIR", os.getcwd())
TOKEN = os.environ.get("ZUVIIA_TOKEN", "")
HUELLAS = os.path.join(VOZ_DIR, "huellas")
DISENO = os.path.join(VOZ_DIR, "diseno.json")
REFERENCIA = os.path.join(VOZ_DIR, "referencia.wav")

TASA_SALIDA = 24000
TASA_HUELLA = 16000
MIN_MUESTRAS_HUELLA = 9600
# Similitud coseno mínima para decir quién habla. Medido con 11 voces de
# espeak-ng y 6 frases cada una: la misma voz con otra frase da 0,88 o más
# (mediana 0,95), otra voz da mediana 0,77. En 0,90 quedan fuera el 7 % de
# las voces ajenas y el 4 % de las propias: se prefiere "nadie" a
# atribuir la frase a otra persona.
UMBRAL_HUELLA = 0.90
UUID = re.compile(r"^[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}$")

VOZ_POR_DEFECTO = {"region": "es-419", "variante": "", "tono": 50, "velocidad": 175}


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


# Cada palabra de la descripción fija uno o más parámetros de la voz.
PALABRAS = {
    "mujer": {"genero": "f"}, "femenina": {"genero": "f"}, "femenino": {"genero": "f"},
    "chica": {"genero": "f"}, "senora": {"genero": "f"}, "nina": {"genero": "f"},
    "hombre": {"genero": "m"}, "masculina": {"genero": "m"}, "masculino": {"genero": "m"},
    "chico": {"genero": "m"}, "senor": {"genero": "m"}, "nino": {"genero": "m"},
    "grave": {"tono": 25}, "profunda": {"tono": 20}, "baja": {"tono": 30},
    "aguda": {"tono": 78}, "alta": {"tono": 70}, "chillona": {"tono": 90},
    "joven": {"edad": "joven"}, "juvenil": {"edad": "joven"},
    "mayor": {"edad": "mayor"}, "anciana": {"edad": "mayor"}, "anciano": {"edad": "mayor"},
    "vieja": {"edad": "mayor"}, "viejo": {"edad": "mayor"},
    "abuela": {"edad": "mayor", "genero": "f"}, "abuelo": {"edad": "mayor", "genero": "m"},
    "rapida": {"velocidad": 220}, "rapido": {"velocidad": 220}, "veloz": {"velocidad": 230},
    "lenta": {"velocidad": 135}, "lento": {"velocidad": 135}, "pausada": {"velocidad": 145},
    "pausado": {"velocidad": 145}, "calmada": {"velocidad": 150}, "tranquila": {"velocidad": 150},
    "tranquilo": {"velocidad": 150},
    "susurro": {"susurro": True}, "susurrante": {"susurro": True}, "susurrada": {"susurro": True},
    "espanola": {"region": "es"}, "espanol": {"region": "es"}, "espana": {"region": "es"},
    "castellana": {"region": "es"}, "castellano": {"region": "es"}, "madrilena": {"region": "es"},
    "latina": {"region": "es-419"}, "latinoamericana": {"region": "es-419"},
    "chilena": {"region": "es-419"}, "chileno": {"region": "es-419"},
    "mexicana": {"region": "es-419"}, "mexicano": {"region": "es-419"},
    "argentina": {"region": "es-419"}, "colombiana": {"region": "es-419"},
    "peruana": {"region": "es-419"},
}


def disenar_voz(descripcion):
    """Parámetros de espeak-ng para una descripción; None si no dice nada."""
    rasgos = {}
    for palabra in plegar(descripcion):
        rasgos.update(PALABRAS.get(palabra, {}))
    if not rasgos:
        return None
    voz = dict(VOZ_POR_DEFECTO)
    voz["region"] = rasgos.get("region", voz["region"])
    genero, edad = rasgos.get("genero"), rasgos.get("edad")
    tono = rasgos.get("tono", 50)
    if rasgos.get("susurro"):
        voz["variante"] = "whisperf" if genero == "f" else "whisper"
    elif genero == "f":
        voz["variante"] = {"joven": "f4", "mayor": "grandma"}.get(edad, "f2")
    elif genero == "m" or edad:
        voz["variante"] = {"joven": "m3", "mayor": "grandpa"}.get(edad, "m1")
    if edad == "joven":
        tono += 10
    elif edad == "mayor":
        tono -= 10
    voz["tono"] = max(0, min(99, tono))
    voz["velocidad"] = rasgos.get("velocidad", 160 if edad == "mayor" else voz["velocidad"])
    return voz


def firma_referencia():
    """Identifica el archivo de referencia actual: al reponer la voz por
    defecto la aplicación lo copia de nuevo y la firma cambia."""
    try:
        st = os.stat(REFERENCIA)
        return [st.st_ino, st.st_mtime_ns, st.st_size]
    except OSError:
        return None


def voz_actual():
    try:
        with open(DISENO, encoding="utf-8") as f:
            guardado = json.load(f)
        if guardado.get("referencia") == firma_referencia():
            return guardado["voz"]
    except (OSError, ValueError, KeyError, TypeError):
        pass
    return dict(VOZ_POR_DEFECTO)


def guardar_diseno(voz):
    temporal = DISENO + ".tmp"
    with open(temporal, "w", encoding="utf-8") as f:
        json.dump({"voz": voz, "referencia": firma_referencia()}, f)
    os.replace(temporal, DISENO)


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


def hablar(texto, escribir):
    """Sintetiza y entrega el audio a `escribir` a medida que sale."""
    proceso = espeak(texto, voz_actual())
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


def huella(audio):
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


def registrar(cuerpo):
    ident = uuid_de(cuerpo.get("id"))
    vector = huella(audio_de(cuerpo))
    if vector is None:
        return {"ok": False}
    os.makedirs(HUELLAS, exist_ok=True)
    destino = os.path.join(HUELLAS, ident + ".npz")
    temporal = os.path.join(HUELLAS, "." + ident + ".tmp.npz")
    np.savez(temporal, huella=vector)
    os.replace(temporal, destino)
    return {"ok": True}


def identificar(cuerpo):
    candidatos = cuerpo.get("candidatos")
    if not isinstance(candidatos, list):
        raise ErrorPeticion(400, "Faltan los candidatos.")
    vector = huella(audio_de(cuerpo))
    mejor, puntaje = None, -1.0
    if vector is not None:
        for candidato in candidatos:
            ident = uuid_de(candidato)
            try:
                with np.load(os.path.join(HUELLAS, ident + ".npz")) as datos:
                    guardada = datos["huella"]
            except (OSError, KeyError, ValueError):
                continue
            if guardada.shape != vector.shape:
                continue
            s = similitud(vector, guardada)
            if s > puntaje:
                mejor, puntaje = ident, s
    if mejor is None:
        return {}
    if puntaje < UMBRAL_HUELLA:
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
                descripcion = cuerpo.get("descripcion")
                voz = disenar_voz(descripcion) if isinstance(descripcion, str) else None
                if voz is None:
                    raise ErrorPeticion(422, "No reconocí ningún rasgo de voz en la descripción.")
                guardar_diseno(voz)
                self.responder(200, {"ok": True, "voz": voz})
            elif self.path == "/huella/registrar":
                self.responder(200, registrar(cuerpo))
            elif self.path == "/huella/identificar":
                self.responder(200, identificar(cuerpo))
            else:
                self.responder(404, {"error": "Ruta desconocida."})
        except ErrorPeticion as e:
            self.responder(e.estado, {"error": e.texto})
        except (BrokenPipeError, ConnectionResetError):
            pass

    def hablar(self, cuerpo):
        texto = cuerpo.get("texto")
        if not isinstance(texto, str) or not texto.strip():
            raise ErrorPeticion(400, "Falta el texto.")
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
        hablar(texto, escribir)
        # Solo una síntesis que terminó bien cierra el cuerpo.
        self.wfile.write(b"0\r\n\r\n")
        self.wfile.flush()


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


def main():
    if shutil.which("espeak-ng") is None:
        sys.exit(1)
    os.makedirs(HUELLAS, exist_ok=True)
    signal.signal(signal.SIGTERM, lambda *_: os._exit(0))
    servidor = Servidor(("127.0.0.1", 0), Manejador)
    threading.Thread(target=vigilar_entrada, daemon=True).start()
    sys.stdout.write("PUERTO=%d\n" % servidor.server_address[1])
    sys.stdout.flush()
    sys.stdout.write("LISTO\n")
    sys.stdout.flush()
    servidor.serve_forever()


if __name__ == "__main__":
    main()
