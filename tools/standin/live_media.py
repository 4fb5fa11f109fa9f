"""The live room's stream, made with ffmpeg the first time a profile is asked for.

One encode per profile (H.264 and AAC, a moving test picture and a beep each second) gives a
progressive MP4 ("clip.mp4", its index at the front) and the same data cut into an HLS playlist
of fragmented-MP4 segments ("index.m3u8" naming "stream.m3u8", "init.mp4", "seg<N>.m4s"). The
room's player loops them, so a short clip makes an endless stream.

Made media is kept in VT_STANDIN_MEDIA (default: a folder per user under the system's temporary
folder) and reused by later runs; a lock file keeps concurrent stand-ins from making it twice.
"""

import fcntl
import os
import shutil
import subprocess
import tempfile

# name: (width, height, frames per second, video bit rate)
PROFILES = {
    "360p30": (640, 360, 30, "800k"),
    "720p30": (1280, 720, 30, "2500k"),
    "720p60": (1280, 720, 60, "4000k"),
    "1080p30": (1920, 1080, 30, "4500k"),
    "1080p60": (1920, 1080, 60, "6000k"),
}
DEFAULT_PROFILE = "720p30"
SECONDS = 10
SEGMENT_SECONDS = 2
# Bumped whenever the recipe below changes, so stale media in the cache is not reused.
RECIPE = "1"


def cache_root():
    return os.environ.get("VT_STANDIN_MEDIA") or os.path.join(
        tempfile.gettempdir(), "vt-standin-media-%d" % os.getuid())


def video_codec(init_path):
    """The RFC 6381 name of the H.264 stream ("avc1.PPCCLL") from its avcC box."""
    with open(init_path, "rb") as init:
        data = init.read()
    at = data.find(b"avcC")
    if at < 0 or len(data) < at + 8:
        raise RuntimeError("no avcC box in " + init_path)
    profile, constraints, level = data[at + 5], data[at + 6], data[at + 7]
    return "avc1.%02x%02x%02x" % (profile, constraints, level)


def _make(profile, folder):
    width, height, fps, rate = PROFILES[profile]
    clip = os.path.join(folder, "clip.mp4")
    # A keyframe exactly every segment, so the HLS cut needs no re-encode.
    gop = str(fps * SEGMENT_SECONDS)
    subprocess.run(
        ["ffmpeg", "-nostdin", "-v", "error", "-y",
         "-f", "lavfi", "-i", "testsrc2=size=%dx%d:rate=%d" % (width, height, fps),
         "-f", "lavfi", "-i", "sine=frequency=660:beep_factor=4:sample_rate=48000",
         "-t", str(SECONDS), "-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p",
         "-g", gop, "-keyint_min", gop, "-sc_threshold", "0",
         "-b:v", rate, "-maxrate", rate, "-bufsize", rate,
         "-c:a", "aac", "-b:a", "128k", "-ac", "2", "-movflags", "+faststart", clip],
        check=True)
    subprocess.run(
        ["ffmpeg", "-nostdin", "-v", "error", "-y", "-i", clip, "-c", "copy",
         "-f", "hls", "-hls_time", str(SEGMENT_SECONDS), "-hls_playlist_type", "vod",
         "-hls_segment_type", "fmp4", "-hls_fmp4_init_filename", "init.mp4",
         "-hls_segment_filename", os.path.join(folder, "seg%d.m4s"),
         os.path.join(folder, "stream.m3u8")],
        check=True)
    codecs = "%s,mp4a.40.2" % video_codec(os.path.join(folder, "init.mp4"))
    bandwidth = int(rate.rstrip("k")) * 1000 + 128000
    with open(os.path.join(folder, "index.m3u8"), "w", encoding="ascii") as master:
        master.write("#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=%d,RESOLUTION=%dx%d,"
                     "FRAME-RATE=%d,CODECS=\"%s\"\nstream.m3u8\n"
                     % (bandwidth, width, height, fps, codecs))


def media_folder(profile):
    """The folder holding the profile's media, made first if needed. Raises KeyError for an
    unknown profile."""
    if profile not in PROFILES:
        raise KeyError(profile)
    root = cache_root()
    os.makedirs(root, exist_ok=True)
    folder = os.path.join(root, "%s-r%s-%ds" % (profile, RECIPE, SECONDS))
    if os.path.isfile(os.path.join(folder, "index.m3u8")):
        return folder
    with open(os.path.join(root, ".lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if not os.path.isfile(os.path.join(folder, "index.m3u8")):
            scratch = tempfile.mkdtemp(prefix=".making-", dir=root)
            try:
                _make(profile, scratch)
                os.rename(scratch, folder)
            finally:
                shutil.rmtree(scratch, ignore_errors=True)
    return folder
