// Window/level, curve and colour table on the GPU, giving the colours of the CPU path.
//
// CC_Texture0 holds the frame, sampled NEAREST: two 8-bit channels per texel (luminance = low
// byte, alpha = high byte of the stored 16-bit value) or RGB for colour data. The shader
// interpolates between texels itself, after rebuilding the stored values, so that a value is
// never blended byte by byte. The weights are rounded to 1/256 as texture units do, which
// keeps texel centres exact. u_palette (unit 1) is the 256 x 1 colour table, read at texel
// centres.
varying vec4 v_fragmentColor;
varying vec2 v_texCoord;

uniform sampler2D u_palette;
uniform int u_opacity;      // curve: 0 linear, 1 log10, 2 inverse log10
uniform float u_wwMin;      // window in stored units
uniform float u_wwMax;
uniform float u_wwLinear;   // 255 / width
uniform float u_wwLogRatio; // 9 / width
uniform int u_pt;           // 2: RGB texels shown as they are
uniform int u_fs;           // unused, 0
uniform float u_vw;         // texture size in texels
uniform float u_vh;

const float LOG10_2 = 0.30102999566398120;

vec4 texelAt(vec2 texel) {
    vec2 size = vec2(u_vw, u_vh);
    vec2 clamped = clamp(texel, vec2(0.0), size - 1.0);
    return texture2D(CC_Texture0, (clamped + 0.5) / size);
}

float storedAt(vec2 texel) {
    vec4 t = texelAt(texel);
    return floor(t.r * 255.0 + 0.5) + 256.0 * floor(t.a * 255.0 + 0.5);
}

// floor(a / b) for whole numbers below 2^24 (exact in float) from a guess at most one off,
// whatever the rounding of the division: the CPU's integer division.
float wholeQuotient(float a, float b, float guess) {
    float q = guess;
    if ((q + 1.0) * b <= a) {
        q += 1.0;
    }
    if (q * b > a) {
        q -= 1.0;
    }
    return q;
}

float paletteIndex(float value) {
    if (value < u_wwMin) {
        return 0.0;
    }
    if (value > u_wwMax) {
        return 255.0;
    }
    float index;
    if (u_opacity == 1) {
        index = floor(log2((value - u_wwMin) * u_wwLogRatio + 1.0) * LOG10_2 * 255.0);
    } else if (u_opacity == 2) {
        index = floor((1.0 - log2((u_wwMax - value) * u_wwLogRatio + 1.0) * LOG10_2) * 255.0);
    } else {
        float offset = value - u_wwMin;
        index = floor(offset * u_wwLinear);
        float width = u_wwMax - u_wwMin;
        if (offset == floor(offset) && width == floor(width) && offset * 255.0 < 16777216.0) {
            index = wholeQuotient(offset * 255.0, width, index);
        }
    }
    return clamp(index, 0.0, 255.0);
}

void main() {
    vec2 position = v_texCoord * vec2(u_vw, u_vh) - 0.5;
    vec2 base = floor(position);
    vec2 weight = floor((position - base) * 256.0 + 0.5) / 256.0;
    if (u_pt == 2) {
        vec4 colour = mix(mix(texelAt(base), texelAt(base + vec2(1.0, 0.0)), weight.x),
                          mix(texelAt(base + vec2(0.0, 1.0)), texelAt(base + vec2(1.0, 1.0)),
                              weight.x),
                          weight.y);
        gl_FragColor = vec4(colour.rgb, 1.0) * v_fragmentColor;
        return;
    }
    float value = mix(mix(storedAt(base), storedAt(base + vec2(1.0, 0.0)), weight.x),
                      mix(storedAt(base + vec2(0.0, 1.0)), storedAt(base + vec2(1.0, 1.0)),
                          weight.x),
                      weight.y);
    float index = paletteIndex(value);
    vec4 colour = texture2D(u_palette, vec2((index + 0.5) / 256.0, 0.5));
    gl_FragColor = vec4(colour.rgb, 1.0) * v_fragmentColor;
}
