// The stand-in live room's players. Query parameters of the room page:
//   players=N        how many players (1 to 9, default 1)
//   profile=NAME     the stream's size and frame rate: 360p30, 720p30 (default), 720p60,
//                    1080p30, 1080p60
//   source=hls|mp4   HLS fed through Media Source Extensions (default), or the progressive MP4
// window.vtRoomState() reports each player's playback figures.
'use strict';

const params = new URLSearchParams(location.search);
const playerCount = Math.min(9, Math.max(1, parseInt(params.get('players') || '1', 10) || 1));
const profile = params.get('profile') || '720p30';
const source = params.get('source') === 'mp4' ? 'mp4' : 'hls';
const mediaBase = '/media/' + encodeURIComponent(profile) + '/';
// How far ahead of the play position the feeder keeps the buffer, and how much it keeps behind.
const AHEAD_SECONDS = 8;
const BEHIND_SECONDS = 6;

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

async function fetchOk(url, as) {
  const response = await fetch(url, {cache: 'no-store'});
  if (!response.ok) throw new Error(url + ': HTTP ' + response.status);
  return as === 'text' ? response.text() : response.arrayBuffer();
}

function parseMaster(text, base) {
  const lines = text.split('\n').map((l) => l.trim());
  for (let i = 0; i < lines.length; ++i) {
    if (lines[i].startsWith('#EXT-X-STREAM-INF:')) {
      const codecs = /CODECS="([^"]*)"/.exec(lines[i]);
      return {codecs: codecs ? codecs[1] : '', url: new URL(lines[i + 1], base).href};
    }
  }
  throw new Error('no stream in the master playlist');
}

function parseMedia(text, base) {
  const playlist = {init: null, segments: [], duration: 0};
  let pending = 0;
  for (const line of text.split('\n').map((l) => l.trim())) {
    if (line.startsWith('#EXT-X-MAP:')) {
      playlist.init = new URL(/URI="([^"]*)"/.exec(line)[1], base).href;
    } else if (line.startsWith('#EXTINF:')) {
      pending = parseFloat(line.slice(8));
    } else if (line && !line.startsWith('#')) {
      playlist.segments.push(new URL(line, base).href);
      playlist.duration += pending;
    }
  }
  return playlist;
}

function appendTo(buffer, data) {
  return new Promise((resolve, reject) => {
    const done = () => {
      buffer.removeEventListener('updateend', done);
      buffer.removeEventListener('error', failed);
      resolve();
    };
    const failed = () => {
      buffer.removeEventListener('updateend', done);
      buffer.removeEventListener('error', failed);
      reject(new Error('append failed'));
    };
    buffer.addEventListener('updateend', done);
    buffer.addEventListener('error', failed);
    if (data instanceof Array) {
      buffer.remove(data[0], data[1]);
    } else {
      buffer.appendBuffer(data);
    }
  });
}

// Plays the HLS stream through Media Source Extensions, looping the playlist for ever with each
// pass placed after the previous one, as a live stream would continue.
async function feedHls(video, state) {
  const masterUrl = new URL(mediaBase + 'index.m3u8', location.href).href;
  const master = parseMaster(await fetchOk(masterUrl, 'text'), masterUrl);
  const playlist = parseMedia(await fetchOk(master.url, 'text'), master.url);
  const type = 'video/mp4; codecs="' + master.codecs + '"';
  if (!MediaSource.isTypeSupported(type)) throw new Error('unsupported: ' + type);
  const mediaSource = new MediaSource();
  video.src = URL.createObjectURL(mediaSource);
  await new Promise((resolve) => mediaSource.addEventListener('sourceopen', resolve, {once: true}));
  const buffer = mediaSource.addSourceBuffer(type);
  const init = await fetchOk(playlist.init);
  await appendTo(buffer, init);
  let index = 0;
  let offset = 0;
  for (;;) {
    const ranges = video.buffered;
    const end = ranges.length ? ranges.end(ranges.length - 1) : 0;
    if (ranges.length && end - video.currentTime > AHEAD_SECONDS) {
      const start = ranges.start(0);
      if (video.currentTime - start > BEHIND_SECONDS + 2) {
        await appendTo(buffer, [start, video.currentTime - BEHIND_SECONDS]);
      }
      skipSmallGap(video);
      await sleep(250);
      continue;
    }
    if (index === playlist.segments.length) {
      // The next pass starts where this one's video ends; the audio overlaps by a fraction of a
      // frame, which the source buffer splices.
      index = 0;
      offset += playlist.duration;
      buffer.timestampOffset = offset;
      await appendTo(buffer, init);
    }
    await appendTo(buffer, await fetchOk(playlist.segments[index]));
    state.segments += 1;
    index += 1;
    skipSmallGap(video);
  }
}

// A stalled play position just before buffered data (the first frames' audio priming, a pass's
// seam) moves onto it, as players do.
function skipSmallGap(video) {
  const ranges = video.buffered;
  for (let i = 0; i < ranges.length; ++i) {
    const gap = ranges.start(i) - video.currentTime;
    if (gap > 0 && gap < 0.5) {
      if (video.readyState < HTMLMediaElement.HAVE_FUTURE_DATA) video.currentTime = ranges.start(i);
      return;
    }
    if (gap <= 0 && ranges.end(i) > video.currentTime) return;
  }
}

function makePlayer(number) {
  const box = document.createElement('div');
  box.className = 'player';
  box.id = 'player-' + number;
  const video = document.createElement('video');
  video.autoplay = true;
  video.playsInline = true;
  const bar = document.createElement('div');
  bar.className = 'bar';
  const play = document.createElement('button');
  play.className = 'play';
  const mute = document.createElement('button');
  mute.className = 'mute';
  const clock = document.createElement('span');
  clock.className = 'clock';
  const live = document.createElement('span');
  live.className = 'live';
  live.textContent = source === 'hls' ? 'LIVE' : 'MP4';
  const pip = document.createElement('button');
  pip.className = 'pip';
  const fullscreen = document.createElement('button');
  fullscreen.className = 'fullscreen';
  bar.append(play, mute, live, clock, pip, fullscreen);
  box.append(video, bar);

  const state = {segments: 0, error: '', pipEvents: []};
  const render = () => {
    play.textContent = video.paused ? '\u25b6' : '\u275a\u275a';
    mute.textContent = video.muted ? 'Sound off' : 'Sound on';
    pip.textContent = document.pictureInPictureElement === video ? 'Back to page' : 'Picture in picture';
    fullscreen.textContent = document.fullscreenElement === box ? 'Exit full screen' : 'Full screen';
    clock.textContent = video.currentTime.toFixed(1) + ' s';
  };
  for (const name of ['play', 'pause', 'volumechange', 'timeupdate']) {
    video.addEventListener(name, render);
  }
  document.addEventListener('fullscreenchange', render);
  for (const name of ['enterpictureinpicture', 'leavepictureinpicture']) {
    video.addEventListener(name, () => { state.pipEvents.push(name); render(); });
  }
  pip.onclick = () => {
    const request = document.pictureInPictureElement === video ? document.exitPictureInPicture()
                                                                : video.requestPictureInPicture();
    request.catch((error) => { state.error = String(error); });
  };
  play.onclick = () => (video.paused ? video.play() : video.pause());
  mute.onclick = () => { video.muted = !video.muted; };
  const toggleFullscreen = () => {
    const request = document.fullscreenElement ? document.exitFullscreen() : box.requestFullscreen();
    request.catch((error) => { state.error = String(error); });
  };
  fullscreen.onclick = toggleFullscreen;
  video.ondblclick = toggleFullscreen;
  video.onerror = () => { state.error = 'media error ' + (video.error && video.error.code); };
  render();

  if (source === 'hls') {
    feedHls(video, state).catch((error) => { state.error = String(error); });
  } else {
    video.loop = true;
    video.src = mediaBase + 'clip.mp4';
  }
  video.play().catch((error) => { state.error = 'play: ' + error; });
  return {box, video, state};
}

const players = [];
const stage = document.getElementById('stage');
stage.className = 'stage players-' + playerCount;
for (let i = 0; i < playerCount; ++i) {
  const player = makePlayer(i);
  players.push(player);
  stage.append(player.box);
}

window.vtRoomState = () => players.map(({video, state}) => {
  const quality = video.getVideoPlaybackQuality();
  return {
    time: video.currentTime, paused: video.paused, muted: video.muted, volume: video.volume,
    decoded: quality.totalVideoFrames, dropped: quality.droppedVideoFrames,
    audioBytes: video.webkitAudioDecodedByteCount, width: video.videoWidth, height: video.videoHeight, readyState: video.readyState,
    segments: state.segments, error: state.error,
    pictureInPicture: document.pictureInPictureElement === video, pipEvents: state.pipEvents,
  };
});

document.getElementById('download').href = mediaBase + 'clip.mp4';
document.getElementById('login').onclick = () => {
  window.open('/login', 'vtlogin', 'width=420,height=320');
};
window.addEventListener('message', (event) => {
  if (event.origin === location.origin && event.data && event.data.login) {
    document.getElementById('viewer').textContent = 'Signed in as ' + event.data.login;
  }
});
