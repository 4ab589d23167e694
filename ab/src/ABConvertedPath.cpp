// The converted path: the client runs at another rate than the device. Device input passes the
// input converter (through a stage that keeps the samples a call cannot convert yet), the client
// runs on the converted frames, and its output passes the output converter back to device frames
// (the samples beyond the device block wait in the left buffers).
#include "ABAudioEngine.h"

#include <cstring>

namespace {

int greatestDivisor(int a, int b) {
  while (b) {
    int t = a % b;
    a = b;
    b = t;
  }
  return a;
}

}  // namespace

void AudioEngine::processConverted(float** in, float** out, int nIn, int nOut, int frames) {
  if (bufferFrames <= 0) {
    for (int i = 0; i < nOut; ++i)
      if (out[i]) std::memset(out[i], 0, sizeof(float) * frames);
    return;
  }
  // Blocks longer than the buffers hold are converted in pieces.
  float* inPiece[AB_MAX_CHANNELS];
  float* outPiece[AB_MAX_CHANNELS];
  int done = 0;
  while (done < frames) {
    int piece = frames - done;
    if (piece > maxConvertFrames_) piece = maxConvertFrames_;
    for (int i = 0; i < nIn; ++i) inPiece[i] = in[i] ? in[i] + done : nullptr;
    for (int i = 0; i < nOut; ++i) outPiece[i] = out[i] ? out[i] + done : nullptr;
    convertPiece(inPiece, outPiece, nIn, nOut, piece);
    done += piece;
  }
}

void AudioEngine::convertPiece(float** in, float** out, int nIn, int nOut, int frames) {
  const int P = ratioP, Q = ratioQ;
  const int multiple = P / greatestDivisor(P, Q) * Q;  // next multiple of both P and Q
  int n, c;
  int served = 0;  // device output samples taken from the left buffers
  if (!integerRatio) {
    n = frames;
    c = static_cast<int>(frameRatio * frames + 0.5);
    if (c < 1) c = 1;
    blockRatio = static_cast<double>(c) / n;
    inverseBlockRatio = static_cast<double>(n) / c;
  } else if (leftCount == 0) {
    c = frames * P / Q;
    if (c * Q / P != frames) {
      n = (frames + multiple - 1) / multiple * multiple;
      c = P * n / Q;
    } else {
      n = frames;
    }
  } else {
    served = leftCount < frames ? leftCount : frames;
    for (int i = 0; i < nOut; ++i)
      if (out[i]) std::memcpy(out[i], leftBuffers[i] + leftPos, sizeof(float) * served);
    const int rest = frames - leftCount;
    n = rest > 0 ? (rest + multiple - 1) / multiple * multiple : 0;
    c = P * n / Q;
  }

  // Inputs: straight into the client buffers when the whole block converts and nothing waits in
  // the stage; else through the stage, whose waiting samples come first.
  const bool straight = n == frames && (!integerRatio || stageCount == 0);
  for (int i = 0; i < nIn; ++i) {
    const float* src = in[i];
    if (!straight) {
      float* stage = stageBuffers[i];
      if (stagePos > 0 && stageCount > 0) std::memmove(stage, stage + stagePos, sizeof(float) * stageCount);
      if (src)
        std::memcpy(stage + stageCount, src, sizeof(float) * frames);
      else
        std::memset(stage + stageCount, 0, sizeof(float) * frames);
      src = stage;
    } else if (!src) {
      std::memset(clientInputs[i], 0, sizeof(float) * c);
      continue;
    }
    if (n == 0) continue;
    if (!resample) {
      std::memcpy(clientInputs[i], src, sizeof(float) * (n < c ? n : c));
    } else if (!integerRatio) {
      dspInterpolate(src, clientInputs[i], c, n, inverseBlockRatio, interpIn[i]);
    } else {
      converterIn.process(i, src, clientInputs[i], n);
    }
  }
  if (!straight) {
    // Channels without an input keep the stage's count in step with the others.
    stagePos = n;
    stageCount += frames - n;
  }
  if (n == 0) {
    // The whole device block came from the left buffers.
    leftPos += served;
    leftCount -= served;
    return;
  }

  if (blockMode)
    processQueued(clientInputs, clientOutputs, nIn, nOut, c);
  else
    callClient(clientInputs, clientOutputs, nIn, nOut, c);

  const bool direct = leftCount + n == frames;
  for (int i = 0; i < nOut; ++i) {
    float* dst = direct && out[i] ? out[i] + leftCount : leftBuffers[i];
    if (!resample) {
      std::memset(dst, 0, sizeof(float) * n);
      std::memcpy(dst, clientOutputs[i], sizeof(float) * (n < c ? n : c));
    } else if (!integerRatio) {
      dspInterpolate(clientOutputs[i], dst, n, c, blockRatio, interpOut[i]);
    } else {
      converterOut.process(i, clientOutputs[i], dst, c);
    }
    if (!direct && out[i]) std::memcpy(out[i] + leftCount, leftBuffers[i], sizeof(float) * (frames - leftCount));
  }
  if (direct) {
    leftCount = 0;
    leftPos = 0;
  } else {
    leftPos = frames - leftCount;
    leftCount = n - (frames - leftCount);
  }
}
